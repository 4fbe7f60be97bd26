#pragma once

// The in-engine GUI: controls (TGuiObj), windows that own and move their controls (TGuiWin),
// the window kind that stays at the back (TGuiDesktop), the GUI message record and the
// manager that decides what is under the mouse and hands messages to the game's handler.
//
// A control's Parent is the window it sits in; a window's Parent is its manager. Controls
// send their events to the manager of their window; without a manager nothing is sent (the
// editor's pointer panel only moves and draws).
//
// Event handlers run inside the frame (from Process). A handler may hide, show, reorder or
// fade windows and controls, but must not free the control or window that sent the message
// while handling it; free GUI objects between frames.

#include "engine/DXObj.h"
#include "engine/DataFiles.h"
#include "mapdata/Geometry.h"

#include <QImage>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tv {

class TGuiObj;
class TGuiWin;
class TGuiManager;

// Event codes of TGMSG.
enum TGuiEvent : int32_t {
    GUI_CLICK = 101,         // released over the control after being pressed there
    GUI_BUTTON_DOWN = 102,   // the left button found down over the control
    GUI_BUTTON_UP = 103,     // sent right after every click
    GUI_MOUSE_ENTER = 104,   // the mouse entered an enabled, highlighting control
    GUI_MOUSE_LEAVE = 105,   // the mouse left an enabled, highlighting control
    GUI_FADE_IN_END = 200,   // a fade-in ended
    GUI_FADE_OUT_END = 201,  // a fade-out ended
    GUI_SHOWN = 300,         // the control or window was shown
    GUI_MODAL_RESULT = 1000, // the modal window's button was clicked; Text is the result
};

// The GUI message record.
struct TGMSG {
    TGuiWin* Win = nullptr;    // the sender when it is a window, else the sender's window
    TGuiObj* Sender = nullptr; // the control or window the message is about
    std::string Text;          // empty except for GUI_MODAL_RESULT
    int32_t Code = 0;
    int32_t X = 0; // mouse in logical screen coordinates when the message was made
    int32_t Y = 0;
};

// Whatever a GUI object sits in: a window (for a control) or a manager (for a window).
class TGuiParent {
public:
    virtual ~TGuiParent() = default;
};

// A pointer list of GUI objects. While OwnsObjects is on, an entry that leaves the list
// (Remove, Delete, Clear) is freed, and so is every entry when the list goes.
class TGuiObjList {
public:
    TGuiObjList() = default;
    ~TGuiObjList();
    TGuiObjList(const TGuiObjList&) = delete;
    TGuiObjList& operator=(const TGuiObjList&) = delete;

    bool OwnsObjects = true;

    size_t Count() const { return items_.size(); }
    // nullptr for an index outside the list.
    TGuiObj* Items(size_t index) const { return index < items_.size() ? items_[index] : nullptr; }
    // Appends (null is not added); returns the new entry's index, or -1.
    ptrdiff_t Add(TGuiObj* obj);
    ptrdiff_t IndexOf(const TGuiObj* obj) const;
    // Removes the first entry that is obj (freeing it when owning); returns its index or -1.
    ptrdiff_t Remove(TGuiObj* obj);
    void Delete(size_t index);
    void Clear();

    std::vector<TGuiObj*>::const_iterator begin() const { return items_.begin(); }
    std::vector<TGuiObj*>::const_iterator end() const { return items_.end(); }

private:
    std::vector<TGuiObj*> items_;
};

// A control: one textured panel that reacts to the mouse, fades, and has text printed onto
// its picture. Created enabled, highlighting and shown.
class TGuiObj : public TDXPanelEx {
public:
    // The panel constructor with every argument but the name; then the name, enabled, the
    // colours (normal: color, or 0xBBDDDDDD for 0; hover 0xEEFFAAAA; down 0xFFFFEE99), the
    // panel tinted with the normal colour, highlighting, and TexName from the texture.
    TGuiObj(PD3DDevice device, const std::string& name, const TDXBounds& bounds, uint32_t color,
            TDXTexture* texture, const std::string& fileName, bool build,
            PD3DTexture deviceTexture);
    ~TGuiObj() override;
    const char* ClassName() const override { return "TGuiObj"; }

    // Shows the panel and sends GUI_SHOWN.
    void Show() override;
    // Called by the manager when the mouse comes over / leaves this object.
    void MouseEnter() override;
    void MouseLeave() override;
    // Once per frame: frame animation, the fade step, then the mouse (press, click).
    void Process() override;

    // Makes a message about this object and hands it to the manager (none: nothing happens).
    virtual void SendEvent(int32_t code);
    virtual void SetColors(uint32_t normal, uint32_t hover, uint32_t down);
    // Fades from transparent to NormalColor's alpha (fadeIn) or from NormalColor to
    // transparent, 5 alpha steps at most once every 5 ms or so. The object is shown, disabled
    // and blended normally while fading; hideAfter hides it when a fade-out ends.
    virtual void StartFade(bool fadeIn, bool hideAfter);
    // Ends the running fade (GUI_FADE_IN_END / GUI_FADE_OUT_END), restores Enabled, Blend and
    // the normal colour. Does nothing when no fade runs.
    virtual void EndFade();
    // Prints text onto a copy of the clean picture (TexName) and shows that copy, kept in the
    // texture cache as Name + "-capt tex" (replacing the previous one). centred: centred
    // horizontally and vertically within the picture; otherwise with its top-left at position.
    // Conversion errors propagate and leave the control's texture as it was.
    virtual void SetCaption(const std::string& text, const TFontInfo& font, TPoint position,
                            bool centred);
    // Prints lines onto the clean picture (nothing for no lines). Line mode: one line per
    // entry, lineHeight + spacing apart, from the top (or centred vertically). Wrap mode: the
    // non-empty lines flow as one word-wrapped text; a line starting with "#" starts a new
    // line. spacing 255: a tenth of the line height.
    virtual void SetText(const std::vector<std::string>& lines, const TFontInfo& font,
                         bool centreHorizontally, bool centreVertically, bool wrap,
                         int32_t spacing);

    TGuiParent* Parent = nullptr;
    bool Enabled = true;
    bool Highlight = true;
    std::string TexName;
    uint32_t NormalColor = 0;
    uint32_t HoverColor = 0;
    uint32_t DownColor = 0;
    bool MouseDown = false;
    bool Fading = false;
    bool FadeIn = false;
    bool SavedEnabled = true;
    TDXBlend SavedBlend = bl_normal;
    bool HideAfterFade = false;

    // The caption texture's name in the cache.
    std::string CaptionTextureName() const { return Name + "-capt tex"; }

private:
    // A copy of the clean picture and the colour key its caption texture gets.
    QImage CleanPicture(uint32_t& colorKey) const;
    // Makes the printed picture this control's texture, in the cache under the caption name.
    void UsePrintedPicture(QImage& picture, uint32_t colorKey);
};

// A window: owns its controls and moves them with itself. Created hidden and not
// highlighting.
class TGuiWin : public TGuiObj, public TGuiParent {
public:
    // As TGuiObj; all three colours 0xEEFFEEEE except a non-zero color as the normal colour.
    TGuiWin(PD3DDevice device, const std::string& name, const TDXBounds& bounds, uint32_t color,
            TDXTexture* texture, const std::string& fileName, bool build,
            PD3DTexture deviceTexture);
    // Frees the controls.
    ~TGuiWin() override;
    const char* ClassName() const override { return "TGuiWin"; }

    // The window's own panel, then every control over it; nothing while hidden.
    void Draw() override;
    // Shows (GUI_SHOWN), then brings the window to the front.
    void Show() override;
    // Places the window; the controls keep their offsets from its top-left corner.
    void SetPosition(int32_t x, int32_t y) override;
    void Move(float dx, float dy) override;
    // The window itself, then every control in list order.
    void Process() override;
    // Makes the window the last one its manager draws. Nothing for a desktop, a disabled
    // window or a window its manager does not list.
    virtual void BringToFront();

    // The last control whose Name matches (TextEquals), or nullptr.
    TGuiObj* FindChild(const std::string& name) const;
    // Makes the window the control's Parent and appends it (the window owns it from then on).
    TGuiObj* AddChild(TGuiObj* child);

    TGuiObjList Children;
};

// A window that stays at the back: it is never brought to the front.
class TGuiDesktop : public TGuiWin {
public:
    using TGuiWin::TGuiWin;
    const char* ClassName() const override { return "TGuiDesktop"; }
};

// The least manager a host needs: owns the windows, keeps HoverObj up to date, processes and
// draws the shown windows, hands messages to OnGuiEvent and holds the modal wait.
class TGuiManager : public TGuiParent {
public:
    TGuiManager() = default;
    // Frees the windows.
    ~TGuiManager() override;
    TGuiManager(const TGuiManager&) = delete;
    TGuiManager& operator=(const TGuiManager&) = delete;

    TGuiObjList Windows; // drawing order; the last is on top
    TGuiObj* HoverObj = nullptr;
    std::function<void(TGMSG&)> OnGuiEvent;
    bool ModalActive = false;
    TGuiWin* ModalWindow = nullptr;
    TGuiObj* ModalButton = nullptr;
    std::string ModalText;

    // Where the mouse is read from; unset: the device cursor's MousePos (0, 0 without one).
    std::function<TPoint()> MouseSource;
    TPoint MousePos() const;

    // Makes the manager the window's Parent and appends it (owned from then on).
    TGuiWin* AddWindow(TGuiWin* window);
    // The topmost shown window or control under the point: the windows from the top down, in
    // each its shown controls from the last, then the window itself. While a modal wait is on,
    // only the modal window counts.
    TGuiObj* ObjectAt(TPoint point) const;
    // Sets HoverObj to ObjectAt(point), calling MouseLeave on the old and MouseEnter on the new
    // object when it changes.
    void UpdateHover(TPoint point);
    // One frame: UpdateHover at MousePos, then Process of every shown window.
    void Process();
    // Draws the windows in order (hidden ones draw nothing).
    void Draw();
    // Whether the object is one of the windows or one of their controls.
    bool Contains(const TGuiObj* obj) const;
};

// The process's GUI manager; none unless a host creates one (the editor does not). Free it
// before the texture cache: its controls show pictures the cache holds.
extern std::unique_ptr<TGuiManager> GuiManager;
// The game's message window (owned by its manager's Windows); cleared when that window goes.
extern TGuiWin* MessageWindow;

// The manager an object reports to: a window's Parent, or the Parent of a control's window.
TGuiManager* ManagerOf(const TGuiObj* obj);

TGMSG MakeMsg(int32_t code, TGuiObj* sender);
bool IsUnderMouse(const TGuiObj* control);
// A click of the modal button during the modal wait first ends the wait (the window hides)
// and delivers GUI_MODAL_RESULT with the result text; then every message goes to OnGuiEvent.
void DispatchMsg(TGuiManager* manager, TGMSG& message);
// Starts the modal wait for the button and shows the window; returns at once, with
// ModalActive. Without a manager the window is only shown (false).
bool ShowModal(TGuiManager* manager, TGuiWin* window, TGuiObj* button, const std::string& text);
// Titles ("Msglabel", font entry 8) and fills ("Text_Msg", font entry 7) MessageWindow, and
// waits modally on its "BTN_MsgOK" with the result text. Nothing without a MessageWindow.
void ShowMessageWindow(const std::vector<std::string>& lines, const std::string& title,
                       const std::string& resultText, bool centreLines);

// Line layout of SetText (exposed for hosts and tests).
struct TGuiTextLayout {
    int32_t Spacing = 0;      // 255 resolved to lineHeight div 10
    std::vector<TRect> Lines; // line mode: one rectangle per line
    TRect WrapRect;           // wrap mode: the rectangle the text flows in
};
TGuiTextLayout LayoutGuiText(int32_t width, int32_t height, int32_t lineHeight, size_t lineCount,
                             bool centreVertically, int32_t spacing);
// Wrap mode's text: the non-empty lines, each followed by a blank; a "#" line starts a line.
std::string JoinWrappedLines(const std::vector<std::string>& lines);

// Picture names BuildMessageWindow takes from the graphic folder when present.
inline constexpr const char* kMsgWindowPicture = "gui\\msgwin.png";
inline constexpr const char* kMsgLabelPicture = "gui\\msglabel.png";
inline constexpr const char* kMsgTextPicture = "gui\\msgtext.png";
inline constexpr const char* kMsgButtonPicture = "gui\\msgok.png";

// Builds the message window with its controls "Msglabel", "Text_Msg" and "BTN_MsgOK", adds it
// to the manager (centred in the logical screen) and makes it MessageWindow. Its pictures come
// from the graphic folder when the files exist, otherwise plain pictures are made and put into
// the texture cache under the same names. Needs TextureMgr and EngineDevice (nullptr without
// the cache). Conversion errors propagate.
TGuiWin* BuildMessageWindow(TGuiManager& manager, PD3DDevice device,
                            TPoint screenSize = TPoint{800, 600});

} // namespace tv
