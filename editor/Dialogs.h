#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tv {

// What an open or save dialog is asked to show.
struct TFileDialogRequest {
    bool Save = false;      // save dialog (no question when an existing file is chosen)
    std::string InitialDir; // native folder
    QString Filter;         // Qt filter string ("Desc (*.a *.b);;...")
    std::string DefaultExt; // without the dot; added by the caller, shown as a hint only
};

// What "Insert space…" and "Remove space…" ask for: where, and how wide.
struct TSpaceRequest {
    std::string Title;
    int32_t X = 0;
    int32_t Amount = 0;
};

// The answer to "Save changes to ...?".
enum class TSaveChoice { Save, Discard, Cancel };

// The answer to the offer of a recovery copy: restore it, keep it for the next start, or
// delete it.
enum class TRecoveryChoice { Restore, Later, Delete };

// Every modal box and dialog of the editor goes through this seam, so tests can answer them
// without a modal loop. The real implementation uses QMessageBox, QFileDialog and QColorDialog.
class IDialogs {
public:
    virtual ~IDialogs() = default;
    // The "Message" notice: no icon, one OK button.
    virtual void MessageBox(const std::string& text) = 0;
    // The general error box: the application title, the error icon, one OK button.
    virtual void ErrorBox(const std::string& title, const std::string& text) = 0;
    // The path as chosen or typed (absolute), or nothing when the dialog was cancelled.
    virtual std::optional<std::string> FileName(const TFileDialogRequest& request) = 0;
    // A colour 0xRRGGBB, or nothing when the dialog was cancelled.
    virtual std::optional<uint32_t> Color(uint32_t initialRgb) = 0;
    // A question with Save, Discard and Cancel (closing the box is Cancel).
    virtual TSaveChoice AskSave(const std::string& text) = 0;
    // A question with Yes and No (closing the box is No).
    virtual bool AskYesNo(const std::string& text) = 0;
    // The offer of a recovery copy: Restore is the default button, closing the box keeps the
    // copy for later, and only the Delete button deletes it.
    virtual TRecoveryChoice AskRecovery(const std::string& text) = 0;
    // A world x and an amount (both typed, starting from the request's); nothing when
    // cancelled.
    virtual std::optional<TSpaceRequest> AskSpace(const TSpaceRequest& /*request*/) {
        return std::nullopt;
    }
};

class TQtDialogs : public IDialogs {
public:
    void MessageBox(const std::string& text) override;
    void ErrorBox(const std::string& title, const std::string& text) override;
    std::optional<std::string> FileName(const TFileDialogRequest& request) override;
    std::optional<uint32_t> Color(uint32_t initialRgb) override;
    TSaveChoice AskSave(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    TRecoveryChoice AskRecovery(const std::string& text) override;
    std::optional<TSpaceRequest> AskSpace(const TSpaceRequest& request) override;
};

// The dialogs in use: the installed ones, or the real ones.
IDialogs& Dialogs();
// Installs dialogs (not owned); nullptr restores the real ones.
void SetDialogs(IDialogs* dialogs);

class ScopedDialogs {
public:
    explicit ScopedDialogs(IDialogs& dialogs) : previous_(&Dialogs()) { SetDialogs(&dialogs); }
    ~ScopedDialogs() { SetDialogs(previous_); }
    ScopedDialogs(const ScopedDialogs&) = delete;
    ScopedDialogs& operator=(const ScopedDialogs&) = delete;

private:
    IDialogs* previous_;
};

// Turns a filter written "Desc|pattern;pattern|Desc|pattern" into Qt's form
// "Desc (pattern pattern);;Desc (pattern)". A pattern list that is already shown in brackets
// at the end of the description is replaced by the real one, and "*.*" becomes "*" (on this
// platform "*.*" would skip names without a dot).
QString QtFileFilter(std::string_view filter);

// Adds "." + ext to a path whose file name has no extension, as the dialogs do for a typed
// name. Nothing is added when ext is empty.
std::string AddDefaultExtension(const std::string& path, std::string_view ext);

// A file dialog component of the main window (OpenD, SaveD, OpenPD, OpenMD).
class TFileDialog : public QObject {
    Q_OBJECT
public:
    enum class TKind { Open, Save };

    TFileDialog(QObject* owner, const char* name, TKind kind, std::string filter,
                std::string defaultExt);

    // Shows the dialog; true and FileName set when a file was chosen.
    bool Execute();

    TKind Kind;
    std::string Filter;     // "Desc|pattern|..." form
    std::string DefaultExt; // without the dot
    std::string InitialDir; // may hold data-style backslashes
    std::string FileName;   // the chosen native path, default extension added
};

// The colour dialog component (ColorD): opens with the colour in Color (0xRRGGBB).
class TColorDialog : public QObject {
    Q_OBJECT
public:
    TColorDialog(QObject* owner, const char* name);
    bool Execute();
    uint32_t Color = 0;
};

} // namespace tv
