#pragma once

#include <cstdint>

namespace tv {

// Virtual-key codes as the game's records store them.
inline constexpr int VK_LBUTTON = 1;
inline constexpr int VK_RBUTTON = 2;
inline constexpr int VK_MBUTTON = 4;
inline constexpr int VK_BACK = 8;
inline constexpr int VK_TAB = 9;
inline constexpr int VK_RETURN = 13;
inline constexpr int VK_SHIFT = 16;
inline constexpr int VK_CONTROL = 17;
inline constexpr int VK_MENU = 18; // Alt
inline constexpr int VK_PAUSE = 19;
inline constexpr int VK_ESCAPE = 27;
inline constexpr int VK_SPACE = 32;
inline constexpr int VK_PRIOR = 33; // Page Up
inline constexpr int VK_NEXT = 34;  // Page Down
inline constexpr int VK_END = 35;
inline constexpr int VK_HOME = 36;
inline constexpr int VK_LEFT = 37;
inline constexpr int VK_UP = 38;
inline constexpr int VK_RIGHT = 39;
inline constexpr int VK_DOWN = 40;
inline constexpr int VK_INSERT = 45;
inline constexpr int VK_DELETE = 46;
// '0'..'9' and 'A'..'Z' are their ASCII capitals.
inline constexpr int VK_NUMPAD0 = 96; // .. VK_NUMPAD0 + 9
inline constexpr int VK_F1 = 112;     // .. VK_F1 + 11

// Number of codes the table holds (0..255); other codes are never down.
inline constexpr int kVirtualKeyCount = 256;

// Asynchronous key query: bit 15 set while the key is down now, bit 0 set when it was
// pressed since the previous query of the same key (the query clears that bit). Zero for a
// key that is up and was not pressed, and for codes outside the table.
int16_t GetAsyncKeyState(int vk);

// Down now, without touching the pressed-since-last-query bit.
bool IsKeyDown(int vk);
bool IsLeftButtonDown();

// Sets the table directly (the event filter and tests). Going down also sets the
// pressed-since-last-query bit.
void SetKeyDown(int vk, bool down);
// Whether the key went down since its last query, without clearing that (recording a play).
bool KeyPressPending(int vk);
// Clears the pressed-since-last-query bit: a key that is up then reads as up.
void ForgetKeyPress(int vk);
// Everything up, no pending presses.
void ResetKeyState();

// Maps a Qt key (Qt::Key) to a virtual-key code; 0 when the key has none. keypad: the key
// came from the numeric keypad (digits there map to VK_NUMPAD0..).
int VirtualKeyFromQtKey(int qtKey, bool keypad = false);
// Maps a Qt mouse button (Qt::MouseButton) to VK_LBUTTON/VK_RBUTTON/VK_MBUTTON; 0 otherwise.
int VirtualKeyFromQtButton(int qtButton);

// Installs the application-wide event filter that feeds the table from Qt key and mouse
// events (once; later calls do nothing). Needs a QCoreApplication; without one it does
// nothing. The queries above install it on first use as well.
void InstallKeyStateFilter();

} // namespace tv
