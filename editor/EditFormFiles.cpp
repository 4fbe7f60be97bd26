// The map file commands of the main window (New, Open, Save, Save As, the exit menu and the
// close request) with the question about unsaved changes, and the recovery copies.
#include "editor/EditForm.h"
#include "editor/MapVarsPage.h"
#include "editor/MapViewFrames.h"
#include "editor/ModifyPage.h"
#include "editor/PlaytestsPanel.h"

#include "editor/ProgressDialog.h"

#include "document/Recovery.h"
#include "editor/EditorApp.h"
#include "mapdata/Paths.h"
#include "mapdata/Text.h"

#include <QCloseEvent>
#include <QCursor>
#include <QMenu>
#include <QTimer>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tv {

// ---------------------------------------------------------------------------------------------
// Map file commands

// The document tells DocumentChanged, which runs RefreshAll and UpdateTitle.
void TEditF::SpeedButton1Click() {
    if (AskToSaveChanges())
        Document->NewMap();
}

void TEditF::SpeedButton2Click() {
    if (!AskToSaveChanges())
        return;
    OpenD->InitialDir = MapFolder();
    if (OpenD->Execute())
        OpenWithProgress(OpenD->FileName);
}

void TEditF::OpenAtStart(const std::string& path) {
    if (!path.empty())
        RunGuarded([&] { OpenWithProgress(path); });
}

void TEditF::OpenWithProgress(const std::string& path) {
    // A large map shows how far opening got; Cancel keeps the map on screen, as a failed load
    // does.
    TProgressDialog progress(this, QStringLiteral("Opening ") + ToQString(MessageName(path)));
    try {
        Document->LoadMap(path, &progress);
    } catch (const ECancelled&) {
    }
}

bool TEditF::AskToSaveChanges() {
    if (!CommitPendingEdits())
        return false;
    if (!Document->Modified())
        return true;
    switch (Dialogs().AskSave("Save changes to " + MessageName(Map().FileName) + "?")) {
    case TSaveChoice::Save: {
        bool saved = false;
        RunGuarded([&] { saved = SaveMapToItsFile(); });
        return saved;
    }
    case TSaveChoice::Discard:
        return true;
    case TSaveChoice::Cancel:
        break;
    }
    return false;
}

bool TEditF::CommitPendingEdits() {
    // The tool buttons take no focus, so a value typed into a grid and not yet applied would
    // otherwise miss the file. A value that does not apply has shown its error; the command
    // then stops.
    return MapVars->ValMap->CommitEdit() && Modify->ValMod->CommitEdit();
}

void TEditF::SaveBtnClick() {
    SaveMapToItsFile();
}

void TEditF::SaveAsBtnClick() {
    SaveMapAs();
}

bool TEditF::SaveMapToItsFile() {
    if (!CommitPendingEdits())
        return false;
    // A stored name that is not a bare file name (a map received from elsewhere may hold
    // "..\\..\\x.tvm") would put the file outside the map folder: such a map is saved as an
    // untitled one.
    if (TextEquals(Map().FileName, TMap::kUntitled) || !IsBareFileName(Map().FileName))
        return SaveMapAs();
    // The map folder may hold another map of the same stored name (this one was opened from
    // elsewhere, or saved under that name before it was renamed there).
    const std::string path = NativePath(MapFolder() + "\\" + Map().FileName);
    if (Document->WouldReplaceAnotherFile(path) &&
        !Dialogs().AskYesNo(MessageName(path) +
                            " already exists and is not the file this map was opened "
                            "from or last saved to. Replace it?"))
        return false;
    if (!MayReplaceReadOnly(path))
        return false;
    Document->SaveMap(path);
    Playtests->MapSaved();
    return true;
}

bool TEditF::SaveMapAs() {
    if (!CommitPendingEdits())
        return false;
    SaveD->InitialDir = MapFolder();
    bool saved = false;
    // "No" to replacing a file goes back to the dialog for another name; Cancel ends it.
    while (SaveD->Execute()) {
        const std::string& path = SaveD->FileName;
        if (FileExists(path) &&
            !Dialogs().AskYesNo(MessageName(path) + " already exists. Replace it?"))
            continue;
        if (!MayReplaceReadOnly(path))
            continue;
        Document->SaveMap(path);
        saved = true;
        Playtests->MapSaved();
        break;
    }
    UpdateTitle();
    return saved;
}

namespace {

// A file whose permission bits deny writing to this user (by the bits alone, so also for a
// superuser, whom the system would let write).
bool IsReadOnlyFile(const std::string& path) {
    struct stat info = {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    if (info.st_uid == geteuid())
        return !(info.st_mode & S_IWUSR);
    if (info.st_gid == getegid())
        return !(info.st_mode & S_IWGRP);
    return !(info.st_mode & S_IWOTH);
}

} // namespace

bool TEditF::MayReplaceReadOnly(const std::string& path) {
    return !IsReadOnlyFile(path) ||
           Dialogs().AskYesNo(MessageName(path) + " is read-only. Replace it?");
}

void TEditF::SpeedButton3Click() {
    PopExit->popup(QCursor::pos() - QPoint(20, 7));
}

void TEditF::PopExitPopup() {
    CloseAllowed = false;
}

// Closes only once the map was written; otherwise the next close request asks again.
void TEditF::SaveAndExit1Click() {
    CloseAllowed = false;
    if (!SaveMapToItsFile())
        return;
    CloseAllowed = true;
    close();
}

void TEditF::Exit1Click() {
    if (!AskToSaveChanges())
        return;
    CloseAllowed = true;
    close();
}

// Unsaved changes are asked about at once; otherwise the exit menu decides.
void TEditF::FormCloseQuery(bool& canClose) {
    canClose = false;
    if (CloseAllowed) {
        canClose = true;
        return;
    }
    if (!CommitPendingEdits())
        return;
    if (Document->Modified()) {
        canClose = AskToSaveChanges();
        return;
    }
    PopExit->popup(QCursor::pos());
}

// ---------------------------------------------------------------------------------------------
// Recovery copies

void TEditF::StartRecovery(const std::string& folder) {
    Recovery = std::make_unique<TRecoveryStore>(folder);
    QUndoStack& stack = Document->UndoStack();
    connect(&stack, &QUndoStack::indexChanged, this, [this] { recoveryCurrent_ = false; });
    // Saved, new, opened or undone to what was saved: the copy holds nothing to recover.
    connect(&stack, &QUndoStack::cleanChanged, this, [this](bool clean) {
        if (clean && Recovery)
            Recovery->Remove();
    });
    RecoveryTimer = new QTimer(this);
    RecoveryTimer->setObjectName(QStringLiteral("RecoveryTimer"));
    RecoveryTimer->setInterval(RecoveryIntervalMs);
    connect(RecoveryTimer, &QTimer::timeout, this, Guarded([this] { WriteRecoveryCopy(); }));
    RecoveryTimer->start();
}

void TEditF::WriteRecoveryCopy() {
    if (!Recovery || !Document->Modified() || recoveryCurrent_)
        return;
    try {
        Recovery->Write(Map(), Document->SourcePath());
        recoveryCurrent_ = true;
        recoveryFailureShown_ = false;
    } catch (const std::exception& error) {
        // Shown once: the timer would otherwise repeat it every time it runs.
        if (!std::exchange(recoveryFailureShown_, true))
            ShowErrorBox(std::string("No recovery copy could be written: ") + error.what());
    }
}

void TEditF::OfferRecovery() {
    if (!Recovery)
        return;
    for (const TRecoveryCopy& copy : Recovery->Orphans()) {
        const std::string question =
            "The editor did not close cleanly. Restore the unsaved changes to " +
            MessageName(copy.FileName) + " (copied " +
            copy.Written.toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString() +
            ")?\n\nKeep for Later offers it again at the next start; Delete throws it away.";
        const TRecoveryChoice choice = Dialogs().AskRecovery(question);
        if (choice == TRecoveryChoice::Delete)
            TRecoveryStore::Discard(copy);
        if (choice != TRecoveryChoice::Restore)
            continue;
        if (!AskToSaveChanges())
            return;
        // A copy that cannot be read is shown and kept; nothing is deleted that was not restored.
        bool restored = false;
        RunGuarded([&] { restored = Document->RestoreRecovery(copy.Path, copy.SourcePath); });
        if (!restored)
            continue;
        // The old copy goes only once this editor's own copy holds the work.
        WriteRecoveryCopy();
        if (recoveryCurrent_)
            TRecoveryStore::Discard(copy);
        return;
    }
}

void TEditF::closeEvent(QCloseEvent* event) {
    bool canClose = false;
    RunGuarded([&] { FormCloseQuery(canClose); });
    if (canClose)
        event->accept();
    else
        event->ignore();
}

} // namespace tv
