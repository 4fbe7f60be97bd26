#include "world/MessageWindow.h"

namespace tv {

namespace {

MessageWindowHook& Hook() {
    static MessageWindowHook hook;
    return hook;
}

// The engine's message window; the game builds it, and without one nothing is shown.
void ShowEngineMessageWindow(const std::vector<std::string>& lines, const std::string& title,
                             const std::string& resultText, bool centreLines) {
    (void)lines;
    (void)title;
    (void)resultText;
    (void)centreLines;
}

} // namespace

void ShowWorldMessageWindow(const std::vector<std::string>& lines, const std::string& title,
                            const std::string& resultText, bool centreLines) {
    if (Hook())
        Hook()(lines, title, resultText, centreLines);
    ShowEngineMessageWindow(lines, title, resultText, centreLines);
}

MessageWindowHook SetMessageWindowHook(MessageWindowHook hook) {
    MessageWindowHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

} // namespace tv
