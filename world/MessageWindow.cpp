#include "world/MessageWindow.h"

#include "engine/GUI.h"

namespace tv {

namespace {

MessageWindowHook& Hook() {
    static MessageWindowHook hook;
    return hook;
}

} // namespace

void ShowWorldMessageWindow(const std::vector<std::string>& lines, const std::string& title,
                            const std::string& resultText, bool centreLines) {
    if (Hook())
        Hook()(lines, title, resultText, centreLines);
    ShowMessageWindow(lines, title, resultText, centreLines);
}

MessageWindowHook SetMessageWindowHook(MessageWindowHook hook) {
    MessageWindowHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

} // namespace tv
