#include "engine/GUI.h"
#include "mapdata/Geometry.h"

#include "engine/Clock.h"
#include "engine/DXCursor.h"
#include "engine/GraphicResources.h"
#include "engine/Graphics.h"
#include "engine/KeyState.h"
#include "engine/Sound.h"
#include "engine/TextureMgr.h"
#include "mapdata/Errors.h"
#include "mapdata/Paths.h"
#include "mapdata/Text.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <algorithm>
#include <exception>
#include <limits>

namespace tv {

std::unique_ptr<TGuiManager> GuiManager;
TGuiWin* MessageWindow = nullptr;

namespace {

constexpr uint32_t kDefaultNormalColor = 0xBBDDDDDDu;
constexpr uint32_t kDefaultHoverColor = 0xEEFFAAAAu;
constexpr uint32_t kDefaultDownColor = 0xFFFFEE99u;
constexpr uint32_t kWindowColor = 0xEEFFEEEEu;
constexpr uint32_t kCaptionColorKey = 0xFF000000u;
constexpr const char* kClickSample = "gui\\butclick.wav";
constexpr int32_t kAutoSpacing = 255;

// Every control alive, so that a caption texture shown by one is never freed by another of
// the same name.
std::vector<const TGuiObj*>& LiveControls() {
    static auto* controls = new std::vector<const TGuiObj*>;
    return *controls;
}

bool ShownByLiveControl(const TDXTexture* texture) {
    for (const TGuiObj* control : LiveControls())
        if (control->Texture == texture)
            return true;
    return false;
}

bool IsWindow(const TGuiObj* obj) {
    return dynamic_cast<const TGuiWin*>(obj) != nullptr;
}

bool ContainsPoint(const TGuiObj* obj, TPoint point) {
    if (!obj->Visible)
        return false;
    const TPoint p = obj->GetPosition();
    const int64_t dx = int64_t{point.X} - p.X;
    const int64_t dy = int64_t{point.Y} - p.Y;
    return dx >= 0 && dy >= 0 && dx < obj->Bounds.Width && dy < obj->Bounds.Height;
}

QRect ToQRect(const TRect& r) {
    return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
}

QColor TextColor(const TFontInfo& font) {
    return QColor(GetRed(font.Color), GetGreen(font.Color), GetBlue(font.Color));
}

// The painter prints with the font's face, size, style and colour; the background stays.
void PreparePainter(QPainter& painter, const TFontInfo& font) {
    painter.setFont(MakeFont(font));
    painter.setPen(TextColor(font));
    painter.setBackgroundMode(Qt::TransparentMode);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TGuiObjList

TGuiObjList::~TGuiObjList() {
    Clear();
}

ptrdiff_t TGuiObjList::Add(TGuiObj* obj) {
    if (!obj)
        return -1;
    items_.push_back(obj);
    return static_cast<ptrdiff_t>(items_.size()) - 1;
}

ptrdiff_t TGuiObjList::IndexOf(const TGuiObj* obj) const {
    const auto it = std::find(items_.begin(), items_.end(), obj);
    return it == items_.end() ? -1 : it - items_.begin();
}

ptrdiff_t TGuiObjList::Remove(TGuiObj* obj) {
    const ptrdiff_t index = IndexOf(obj);
    if (index >= 0)
        Delete(static_cast<size_t>(index));
    return index;
}

void TGuiObjList::Delete(size_t index) {
    if (index >= items_.size())
        return;
    TGuiObj* obj = items_[index];
    items_.erase(items_.begin() + static_cast<ptrdiff_t>(index));
    if (OwnsObjects)
        delete obj;
}

void TGuiObjList::Clear() {
    // Entries leave one by one from the end, so a destructor sees a consistent list.
    while (!items_.empty())
        Delete(items_.size() - 1);
}

// ---------------------------------------------------------------------------------------------
// Messages

TGuiManager* ManagerOf(const TGuiObj* obj) {
    if (!obj)
        return nullptr;
    if (IsWindow(obj))
        return dynamic_cast<TGuiManager*>(obj->Parent);
    const auto* window = dynamic_cast<const TGuiWin*>(obj->Parent);
    return window ? dynamic_cast<TGuiManager*>(window->Parent) : nullptr;
}

TGMSG MakeMsg(int32_t code, TGuiObj* sender) {
    TGMSG message;
    if (sender) {
        message.Win = IsWindow(sender) ? static_cast<TGuiWin*>(sender)
                                       : dynamic_cast<TGuiWin*>(sender->Parent);
    }
    message.Sender = sender;
    message.Code = code;
    TPoint mouse;
    if (const TGuiManager* manager = ManagerOf(sender))
        mouse = manager->MousePos();
    else if (DXCursor)
        mouse = DXCursor->MousePos();
    message.X = mouse.X;
    message.Y = mouse.Y;
    return message;
}

bool IsUnderMouse(const TGuiObj* control) {
    const TGuiManager* manager = ManagerOf(control);
    return manager && control && manager->HoverObj == control;
}

void DispatchMsg(TGuiManager* manager, TGMSG& message) {
    if (!manager)
        return;
    if (manager->ModalActive && message.Sender == manager->ModalButton &&
        message.Win == manager->ModalWindow && message.Code == GUI_CLICK) {
        TGMSG result = MakeMsg(GUI_MODAL_RESULT, manager->ModalButton);
        result.Text = manager->ModalText;
        if (manager->ModalWindow)
            manager->ModalWindow->Hide();
        manager->ModalActive = false;
        manager->ModalWindow = nullptr;
        manager->ModalButton = nullptr;
        DispatchMsg(manager, result);
    }
    if (manager->OnGuiEvent) {
        // A copy: the handler may replace OnGuiEvent while it runs.
        const auto handler = manager->OnGuiEvent;
        handler(message);
    }
}

bool ShowModal(TGuiManager* manager, TGuiWin* window, TGuiObj* button, const std::string& text) {
    if (!manager) {
        if (window)
            window->Show();
        return false;
    }
    manager->ModalActive = true;
    manager->ModalWindow = window;
    manager->ModalButton = button;
    manager->ModalText = text;
    if (window)
        window->Show();
    return manager->ModalActive;
}

void ShowMessageWindow(const std::vector<std::string>& lines, const std::string& title,
                       const std::string& resultText, bool centreLines) {
    if (!MessageWindow)
        return;
    if (TGuiObj* label = MessageWindow->FindChild("Msglabel"))
        label->SetCaption(title, FontTable[8], TPoint{0, 0}, true);
    if (TGuiObj* text = MessageWindow->FindChild("Text_Msg"))
        text->SetText(lines, FontTable[7], centreLines, false, false, kAutoSpacing);
    TGuiManager* manager = ManagerOf(MessageWindow);
    if (!manager)
        manager = GuiManager.get();
    ShowModal(manager, MessageWindow, MessageWindow->FindChild("BTN_MsgOK"), resultText);
    if (MessageWindow)
        MessageWindow->BringToFront();
}

// ---------------------------------------------------------------------------------------------
// Text layout

TGuiTextLayout LayoutGuiText(int32_t width, int32_t height, int32_t lineHeight, size_t lineCount,
                             bool centreVertically, int32_t spacing) {
    TGuiTextLayout layout;
    if (spacing == kAutoSpacing)
        spacing = lineHeight / 10;
    layout.Spacing = spacing;
    const int64_t count = static_cast<int64_t>(std::min<size_t>(lineCount, INT32_MAX));
    const int64_t total = count * lineHeight + int64_t{spacing} * count;
    const int64_t top = centreVertically ? (int64_t{height} - total) / 2 : 1;
    layout.Lines.reserve(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i) {
        const int64_t lineTop = top + i * (int64_t{lineHeight} + spacing);
        layout.Lines.push_back(TRect{2, SaturateToInt32(lineTop),
                                     SaturateToInt32(int64_t{width} - 2),
                                     SaturateToInt32(lineTop + lineHeight)});
    }
    layout.WrapRect =
        TRect{2, SaturateToInt32(int64_t{spacing} + 2), SaturateToInt32(int64_t{width} - 2),
              SaturateToInt32(int64_t{height} - 2)};
    return layout;
}

std::string JoinWrappedLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        if (line.empty())
            continue;
        if (line.front() == '#') {
            text += '\n';
            text.append(line, 1);
        } else {
            text += line;
        }
        text += ' ';
    }
    return text;
}

// ---------------------------------------------------------------------------------------------
// TGuiObj

TGuiObj::TGuiObj(PD3DDevice device, const std::string& name, const TDXBounds& bounds,
                 uint32_t color, TDXTexture* texture, const std::string& fileName, bool build,
                 PD3DTexture deviceTexture)
    : TDXPanelEx(std::move(device), bounds, color, texture, fileName, build,
                 std::move(deviceTexture)) {
    Name = name;
    Enabled = true;
    NormalColor = color != 0 ? color : kDefaultNormalColor;
    HoverColor = kDefaultHoverColor;
    DownColor = kDefaultDownColor;
    SetColor(NormalColor);
    Highlight = true;
    TexName = Texture ? Texture->Name : std::string();
    LiveControls().push_back(this);
}

TGuiObj::~TGuiObj() {
    std::erase(LiveControls(), this);
}

void TGuiObj::Show() {
    TDXPanelEx::Show();
    SendEvent(GUI_SHOWN);
}

void TGuiObj::MouseEnter() {
    if (Enabled && Highlight) {
        SetColor(HoverColor);
        SendEvent(GUI_MOUSE_ENTER);
    }
}

void TGuiObj::MouseLeave() {
    if (Enabled && Highlight) {
        SendEvent(GUI_MOUSE_LEAVE);
        SetColor(NormalColor);
    }
    // A press that left the object is over, highlighting or not.
    MouseDown = false;
}

void TGuiObj::Process() {
    TDXPanelEx::Process();

    if (Fading) {
        const uint32_t now = GetTickCount();
        if (now - Timer > 5) {
            int32_t alpha = GetAlpha(Color);
            const int32_t target = GetAlpha(NormalColor);
            if (FadeIn)
                alpha = alpha + 5 >= target ? target : alpha + 5;
            else
                alpha = alpha <= 5 ? 0 : alpha - 5;
            SetColor(D3DCOLOR_ARGB(static_cast<uint32_t>(alpha), GetRed(Color), GetGreen(Color),
                                   GetBlue(Color)));
            if (FadeIn ? alpha == target : alpha == 0)
                EndFade();
            Timer = now;
        }
    }

    if (!IsUnderMouse(this) || !Enabled)
        return;
    const bool down = IsLeftButtonDown();
    if (MouseDown && !down) {
        MouseDown = false;
        // A click sample that cannot be loaded does not swallow the click: its error is
        // raised once the click has been delivered.
        std::exception_ptr soundError;
        if (!IsWindow(this)) {
            try {
                PlaySample(kClickSample);
            } catch (...) {
                soundError = std::current_exception();
            }
        }
        SendEvent(GUI_CLICK);
        SendEvent(GUI_BUTTON_UP);
        if (Highlight)
            SetColor(HoverColor);
        if (soundError)
            std::rethrow_exception(soundError);
    } else if (!MouseDown && down) {
        MouseDown = true;
        SendEvent(GUI_BUTTON_DOWN);
        if (Highlight)
            SetColor(DownColor);
    }
}

void TGuiObj::SendEvent(int32_t code) {
    TGuiManager* manager = ManagerOf(this);
    if (!manager)
        return;
    TGMSG message = MakeMsg(code, this);
    DispatchMsg(manager, message);
}

void TGuiObj::SetColors(uint32_t normal, uint32_t hover, uint32_t down) {
    NormalColor = normal;
    HoverColor = hover;
    DownColor = down;
    SetColor(normal);
}

void TGuiObj::StartFade(bool fadeIn, bool hideAfter) {
    // A fade started during a fade keeps the state saved before the first one.
    if (!Fading) {
        SavedEnabled = Enabled;
        SavedBlend = Blend;
    }
    Fading = true;
    FadeIn = fadeIn;
    MouseDown = false;
    Blend = bl_normal;
    Enabled = false;
    HideAfterFade = hideAfter;
    Show();
    SetColor(fadeIn ? (NormalColor & 0x00FFFFFFu) : NormalColor);
    Timer = GetTickCount();
}

void TGuiObj::EndFade() {
    if (!Fading)
        return;
    const bool fadeIn = FadeIn;
    // The state is restored before the event, so a handler may start the next fade.
    Fading = false;
    if (!fadeIn && HideAfterFade)
        Hide();
    SetColor(NormalColor);
    Enabled = SavedEnabled;
    Blend = SavedBlend;
    SendEvent(fadeIn ? GUI_FADE_IN_END : GUI_FADE_OUT_END);
}

QImage TGuiObj::CleanPicture(uint32_t& colorKey) const {
    if (!TextureMgr || TexName.empty())
        RaiseEngineError(ERR_TEX_CONVERT);
    const TDXTexture* clean = TextureMgr->GetTexture(TexName, 0);
    QImage picture = TextureToBitmap(clean->Texture.get());
    colorKey = clean->ColorKey != 0 ? kCaptionColorKey : 0;
    return picture.convertToFormat(QImage::Format_RGB32);
}

void TGuiObj::UsePrintedPicture(QImage& picture, uint32_t colorKey) {
    PD3DTexture printed;
    BitmapToTexture(picture, colorKey, printed); // may raise: nothing has changed yet
    const std::string captionName = CaptionTextureName();

    // This control's previous caption goes, even when another entry of the name comes first.
    if (Texture && TextureMgr->Holds(Texture) && TextEquals(Texture->Name, captionName)) {
        const std::string doomed = Format("\x01gui caption %p", static_cast<void*>(Texture));
        Texture->Name = doomed;
        Texture = nullptr;
        TextureMgr->RemoveTexture(doomed);
    }
    // Captions of that name that no control shows any more go as well.
    while (const TDXTexture* stale = TextureMgr->FindTexture(captionName)) {
        if (ShownByLiveControl(stale))
            break;
        TextureMgr->RemoveTexture(captionName);
    }
    FreeTexture(); // a texture of the control's own (cached ones stay in the cache)

    auto wrapper = std::make_unique<TDXTexture>(Device, captionName, true, 0, false);
    wrapper->Texture = std::move(printed);
    Texture = TextureMgr->AddTexture(wrapper.release(), 0);
}

void TGuiObj::SetCaption(const std::string& text, const TFontInfo& font, TPoint position,
                         bool centred) {
    uint32_t colorKey = 0;
    QImage picture = CleanPicture(colorKey);
    {
        QPainter painter(&picture);
        PreparePainter(painter, font);
        const QString caption = QString::fromStdString(text);
        const QFontMetrics metrics = painter.fontMetrics();
        const int th = metrics.height();
        const int tw = metrics.horizontalAdvance(caption);
        TRect rect;
        if (centred) {
            const int32_t top = (picture.height() - th) / 2;
            rect = TRect{2, top, picture.width() - 2, top + th};
        } else {
            rect = TRect{position.X, position.Y, SaturateToInt32(int64_t{position.X} + tw),
                         SaturateToInt32(int64_t{position.Y} + th)};
        }
        painter.drawText(ToQRect(rect), Qt::AlignHCenter | Qt::AlignTop, caption);
    }
    UsePrintedPicture(picture, colorKey);
}

void TGuiObj::SetText(const std::vector<std::string>& lines, const TFontInfo& font,
                      bool centreHorizontally, bool centreVertically, bool wrap, int32_t spacing) {
    if (lines.empty())
        return;
    uint32_t colorKey = 0;
    QImage picture = CleanPicture(colorKey);
    {
        QPainter painter(&picture);
        PreparePainter(painter, font);
        const int lineHeight = painter.fontMetrics().height();
        const TGuiTextLayout layout = LayoutGuiText(picture.width(), picture.height(), lineHeight,
                                                    lines.size(), centreVertically, spacing);
        if (wrap) {
            painter.drawText(ToQRect(layout.WrapRect),
                             Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop,
                             QString::fromStdString(JoinWrappedLines(lines)));
        } else {
            const Qt::Alignment horizontal = centreHorizontally ? Qt::AlignHCenter : Qt::AlignLeft;
            for (size_t i = 0; i < lines.size(); ++i)
                painter.drawText(ToQRect(layout.Lines[i]), horizontal | Qt::AlignVCenter,
                                 QString::fromStdString(lines[i]));
        }
    }
    UsePrintedPicture(picture, colorKey);
}

// ---------------------------------------------------------------------------------------------
// TGuiWin

TGuiWin::TGuiWin(PD3DDevice device, const std::string& name, const TDXBounds& bounds,
                 uint32_t color, TDXTexture* texture, const std::string& fileName, bool build,
                 PD3DTexture deviceTexture)
    : TGuiObj(std::move(device), name, bounds, color, texture, fileName, build,
              std::move(deviceTexture)) {
    NormalColor = color != 0 ? color : kWindowColor;
    HoverColor = kWindowColor;
    DownColor = kWindowColor;
    SetColor(NormalColor);
    Highlight = false;
    Hide();
}

TGuiWin::~TGuiWin() {
    if (MessageWindow == this)
        MessageWindow = nullptr;
    Children.Clear();
}

void TGuiWin::Draw() {
    if (!Visible)
        return;
    TGuiObj::Draw();
    for (TGuiObj* child : Children)
        child->Draw();
}

void TGuiWin::Show() {
    TGuiObj::Show();
    BringToFront();
}

void TGuiWin::BringToFront() {
    if (dynamic_cast<TGuiDesktop*>(this) || !Enabled)
        return;
    TGuiManager* manager = ManagerOf(this);
    if (!manager || manager->Windows.IndexOf(this) < 0)
        return;
    TGuiObjList& windows = manager->Windows;
    const bool owns = windows.OwnsObjects;
    windows.OwnsObjects = false;
    windows.Remove(this);
    windows.Add(this);
    windows.OwnsObjects = owns;
}

void TGuiWin::SetPosition(int32_t x, int32_t y) {
    const TPoint before = GetPosition();
    TGuiObj::SetPosition(x, y);
    const TPoint after = GetPosition();
    for (TGuiObj* child : Children) {
        const TPoint p = child->GetPosition();
        child->SetPosition(SaturateToInt32(int64_t{p.X} - before.X + after.X),
                           SaturateToInt32(int64_t{p.Y} - before.Y + after.Y));
    }
}

void TGuiWin::Move(float dx, float dy) {
    TGuiObj::Move(dx, dy);
    for (TGuiObj* child : Children)
        child->Move(dx, dy);
}

void TGuiWin::Process() {
    TGuiObj::Process();
    // By index: a handler may add controls while the list is walked.
    for (size_t i = 0; i < Children.Count(); ++i)
        Children.Items(i)->Process();
}

TGuiObj* TGuiWin::FindChild(const std::string& name) const {
    TGuiObj* found = nullptr;
    for (TGuiObj* child : Children)
        if (TextEquals(child->Name, name))
            found = child;
    return found;
}

TGuiObj* TGuiWin::AddChild(TGuiObj* child) {
    if (!child)
        return nullptr;
    child->Parent = this;
    Children.Add(child);
    return child;
}

// ---------------------------------------------------------------------------------------------
// TGuiManager

TGuiManager::~TGuiManager() {
    HoverObj = nullptr;
    ModalWindow = nullptr;
    ModalButton = nullptr;
    Windows.Clear();
}

TPoint TGuiManager::MousePos() const {
    if (MouseSource)
        return MouseSource();
    return DXCursor ? DXCursor->MousePos() : TPoint{};
}

TGuiWin* TGuiManager::AddWindow(TGuiWin* window) {
    if (!window)
        return nullptr;
    window->Parent = this;
    Windows.Add(window);
    return window;
}

TGuiObj* TGuiManager::ObjectAt(TPoint point) const {
    for (size_t i = Windows.Count(); i-- > 0;) {
        TGuiObj* obj = Windows.Items(i);
        if (!obj->Visible || (ModalActive && ModalWindow && obj != ModalWindow))
            continue;
        if (const auto* window = dynamic_cast<const TGuiWin*>(obj)) {
            for (size_t j = window->Children.Count(); j-- > 0;) {
                TGuiObj* child = window->Children.Items(j);
                if (ContainsPoint(child, point))
                    return child;
            }
        }
        if (ContainsPoint(obj, point))
            return obj;
    }
    return nullptr;
}

void TGuiManager::UpdateHover(TPoint point) {
    TGuiObj* now = ObjectAt(point);
    if (now == HoverObj)
        return;
    TGuiObj* before = HoverObj;
    HoverObj = now;
    if (before && Contains(before))
        before->MouseLeave();
    if (now && HoverObj == now)
        now->MouseEnter();
}

void TGuiManager::Process() {
    UpdateHover(MousePos());
    // A snapshot: windows may be reordered (shown, brought to the front) while they run.
    std::vector<TGuiObj*> shown;
    for (TGuiObj* window : Windows)
        if (window->Visible)
            shown.push_back(window);
    for (TGuiObj* window : shown)
        if (Windows.IndexOf(window) >= 0)
            window->Process();
}

void TGuiManager::Draw() {
    for (TGuiObj* window : Windows)
        window->Draw();
}

bool TGuiManager::Contains(const TGuiObj* obj) const {
    if (!obj)
        return false;
    for (TGuiObj* window : Windows) {
        if (window == obj)
            return true;
        if (const auto* win = dynamic_cast<const TGuiWin*>(window))
            if (win->Children.IndexOf(obj) >= 0)
                return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// The message window

namespace {

QImage FramedPicture(int width, int height, QColor top, QColor bottom, QColor border) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 0, height);
    gradient.setColorAt(0.0, top);
    gradient.setColorAt(1.0, bottom);
    painter.fillRect(image.rect(), gradient);
    painter.setPen(QPen(border, 2));
    painter.drawRect(QRectF(1, 1, width - 2, height - 2));
    return image;
}

// The picture of that name: already cached, from the graphic folder, or made and cached.
TDXTexture* GuiPicture(const PD3DDevice& device, const std::string& name, QImage picture) {
    if (TDXTexture* cached = TextureMgr->FindTexture(name))
        return cached;
    if (FileExists(NativePath(GraphicFilePath(name))))
        return TextureMgr->GetTexture(name, 0);
    PD3DTexture made;
    BitmapToTexture(picture, 0, made);
    auto texture = std::make_unique<TDXTexture>(device, name, true, 0, false);
    texture->Texture = std::move(made);
    return TextureMgr->AddTexture(texture.release(), 0);
}

} // namespace

TGuiWin* BuildMessageWindow(TGuiManager& manager, PD3DDevice device, TPoint screenSize) {
    if (!TextureMgr)
        return nullptr;
    constexpr int kWidth = 360, kHeight = 180;
    const QColor gold(0xC8, 0xA8, 0x5A);
    TDXTexture* windowPicture = GuiPicture(
        device, kMsgWindowPicture,
        FramedPicture(kWidth, kHeight, QColor(0x24, 0x2C, 0x40), QColor(0x0C, 0x10, 0x1A), gold));
    TDXTexture* labelPicture =
        GuiPicture(device, kMsgLabelPicture,
                   FramedPicture(340, 30, QColor(0x3A, 0x24, 0x1C), QColor(0x1A, 0x10, 0x0C),
                                 QColor(0x6A, 0x50, 0x30)));
    TDXTexture* textPicture =
        GuiPicture(device, kMsgTextPicture,
                   FramedPicture(340, 90, QColor(0x10, 0x14, 0x20), QColor(0x10, 0x14, 0x20),
                                 QColor(0x30, 0x38, 0x50)));
    TDXTexture* buttonPicture = GuiPicture(
        device, kMsgButtonPicture,
        FramedPicture(100, 30, QColor(0x7A, 0x2A, 0x22), QColor(0x3A, 0x10, 0x0E), gold));

    const int32_t x = (screenSize.X - kWidth) / 2;
    const int32_t y = (screenSize.Y - kHeight) / 2;
    auto window =
        std::make_unique<TGuiWin>(device, "MessageWindow", TDXBounds{x, y, kWidth, kHeight},
                                  0xF0FFFFFFu, windowPicture, "", true, nullptr);
    auto label = std::make_unique<TGuiObj>(device, "Msglabel", TDXBounds{x + 10, y + 8, 340, 30},
                                           0xFFFFFFFFu, labelPicture, "", true, nullptr);
    label->Highlight = false;
    auto text = std::make_unique<TGuiObj>(device, "Text_Msg", TDXBounds{x + 10, y + 44, 340, 90},
                                          0xFFFFFFFFu, textPicture, "", true, nullptr);
    text->Highlight = false;
    auto button =
        std::make_unique<TGuiObj>(device, "BTN_MsgOK", TDXBounds{x + 130, y + 142, 100, 30},
                                  0xFFDDDDDDu, buttonPicture, "", true, nullptr);
    button->SetColors(0xFFDDDDDDu, 0xFFFFFFFFu, 0xFFFFEE99u);
    button->SetCaption("OK", FontTable[8], TPoint{0, 0}, true);

    window->AddChild(label.release());
    window->AddChild(text.release());
    window->AddChild(button.release());
    if (MessageWindow && manager.Windows.IndexOf(MessageWindow) >= 0)
        manager.Windows.Remove(MessageWindow); // frees it and clears MessageWindow
    MessageWindow = manager.AddWindow(window.release());
    return MessageWindow;
}

} // namespace tv
