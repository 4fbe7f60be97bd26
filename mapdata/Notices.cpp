#include "mapdata/Notices.h"

#include <cstdio>

namespace tv {

namespace {
MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}
} // namespace

void SetMessageBoxHandler(MessageBoxHandler handler) {
    Handler() = std::move(handler);
}

int ShowMessageBox(const std::string& text) {
    if (Handler())
        return Handler()(text);
    std::fprintf(stderr, "Message: %s\n", text.c_str());
    return kMessageBoxOk;
}

ScopedMessageBoxHandler::ScopedMessageBoxHandler(MessageBoxHandler handler) : previous_(Handler()) {
    Handler() = std::move(handler);
}

ScopedMessageBoxHandler::~ScopedMessageBoxHandler() {
    Handler() = std::move(previous_);
}

} // namespace tv
