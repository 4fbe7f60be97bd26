#pragma once

#include <functional>
#include <string>

namespace tv {

// Modal notice titled "Message" with one OK button. The application installs the real box;
// command-line tools and tests install their own. Without a handler the text goes to stderr.
using MessageBoxHandler = std::function<int(const std::string& text)>;

void SetMessageBoxHandler(MessageBoxHandler handler);
int ShowMessageBox(const std::string& text);

inline constexpr int kMessageBoxOk = 1;

// Installs a handler for the lifetime of the object and restores the previous one after.
class ScopedMessageBoxHandler {
public:
    explicit ScopedMessageBoxHandler(MessageBoxHandler handler);
    ~ScopedMessageBoxHandler();
    ScopedMessageBoxHandler(const ScopedMessageBoxHandler&) = delete;
    ScopedMessageBoxHandler& operator=(const ScopedMessageBoxHandler&) = delete;

private:
    MessageBoxHandler previous_;
};

} // namespace tv
