#pragma once

// The one place where world objects open the in-engine message window (the player's death).

#include <functional>
#include <string>
#include <vector>

namespace tv {

using MessageWindowHook =
    std::function<void(const std::vector<std::string>& lines, const std::string& title,
                       const std::string& resultText, bool centreLines)>;

// Shows the engine's message window with these lines, title and button result (nothing shows
// while the game has no message window). An installed hook sees every call first.
void ShowWorldMessageWindow(const std::vector<std::string>& lines, const std::string& title,
                            const std::string& resultText, bool centreLines);

// Installs a hook (an empty one removes it) and returns the previous one.
MessageWindowHook SetMessageWindowHook(MessageWindowHook hook);

} // namespace tv
