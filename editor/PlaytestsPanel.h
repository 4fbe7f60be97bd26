#pragma once

// The "Playtests" panel: keeps the last play's recording for "Save playtest...", lists the
// map's playtests with their last result, and replays them all ("Run all", and after a save
// when asked) on the map as it is in the editor, in a tvmtool process of its own, so that
// editing goes on meanwhile; and lists the map's problems.

#include "world/KeyScript.h"
#include "world/ScriptedPlay.h"

#include <QWidget>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QListWidget;
class QProcess;
class QPushButton;
class QTemporaryDir;

namespace tv {

class TEditF;
class TFileDialog;
class TPlaySession;

class TPlaytestsPanel : public QWidget {
    Q_OBJECT
public:
    explicit TPlaytestsPanel(TEditF& editor);
    ~TPlaytestsPanel() override;

    // Keeps the keys, start, seed and outcome of a play that ends.
    void KeepRecording(TPlaySession& play);
    bool HasRecording() const { return recording_.has_value(); }
    // "Save playtest...": asks for a name and writes the recording beside the map's file (the
    // file it was opened from or is saved to; the map need not be saved first). False when
    // nothing was written.
    bool SaveRecording();
    // The map's file the playtests belong to (native path).
    std::string MapPath() const;
    // Lists the playtests of the map's file again.
    void Refresh();
    // Replays every playtest on the map as it is now, in the background; false when there is
    // nothing to run or a run is going on.
    bool RunAll();
    bool Running() const { return process_ != nullptr; }
    // After a save: runs them when the toggle is on.
    void MapSaved();

    // The last result of each playtest: "ok", "changed: ...", "error: ...".
    std::map<std::string, std::string> Results;

    QLabel* MapLabel = nullptr;
    QListWidget* PlaytestList = nullptr;
    QPushButton* SaveButton = nullptr;
    QPushButton* RunAllButton = nullptr;
    QCheckBox* RunAfterSave = nullptr;
    QLabel* StatusLabel = nullptr;
    // The map's problems (document/MapProblems.h); choosing one selects its object.
    QListWidget* ProblemList = nullptr;
    void ChooseProblem(int row);
    // Choosing a playtest (a double click or Enter) replays it in the view.
    void ReplayInView(int row);

signals:
    // A background run ended; changed: the number of playtests that changed or failed.
    void runFinished(int changed);

private:
    void RunEnded();

    TEditF& editor_;
    TFileDialog* dialog_ = nullptr;
    struct TRecording {
        TKeyScriptHeader Header;
        std::vector<TKeySpan> Keys;
        TPlayReport Outcome;
    };
    std::optional<TRecording> recording_;
    std::unique_ptr<QProcess> process_;
    std::unique_ptr<QTemporaryDir> runFolder_;
    std::vector<int> problemObjects_;
};

} // namespace tv
