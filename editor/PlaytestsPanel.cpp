#include "editor/PlaytestsPanel.h"

#include "document/MapProblems.h"
#include "editor/Dialogs.h"
#include "editor/EditForm.h"
#include "editor/EditorApp.h"
#include "editor/ModifyPage.h"
#include "mapdata/Errors.h"
#include "mapdata/Paths.h"
#include "mapdata/Text.h"
#include "world/KeyRecorder.h"
#include "world/PlaySession.h"
#include "world/Playtest.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <algorithm>

namespace tv {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// Copies the files of a folder into another (not recursive).
void CopyFolderFiles(const QString& from, const QString& to) {
    QDir().mkpath(to);
    const QDir source(from);
    for (const QString& file : source.entryList(QDir::Files))
        QFile::copy(source.filePath(file), to + QLatin1Char('/') + file);
}

} // namespace

TPlaytestsPanel::TPlaytestsPanel(TEditF& editor) : QWidget(&editor, Qt::Tool), editor_(editor) {
    setObjectName(QStringLiteral("PlaytestsPanel"));
    setWindowTitle(QStringLiteral("Playtests"));
    auto* layout = new QVBoxLayout(this);
    MapLabel = new QLabel(this);
    MapLabel->setObjectName(QStringLiteral("PlaytestMap"));
    MapLabel->setWordWrap(true);
    PlaytestList = new QListWidget(this);
    PlaytestList->setObjectName(QStringLiteral("PlaytestList"));
    SaveButton = new QPushButton(QStringLiteral("Save playtest…"), this);
    SaveButton->setObjectName(QStringLiteral("SavePlaytest"));
    SaveButton->setEnabled(false);
    RunAllButton = new QPushButton(QStringLiteral("Run all"), this);
    RunAllButton->setObjectName(QStringLiteral("RunAllPlaytests"));
    RunAfterSave = new QCheckBox(QStringLiteral("Run them after saving the map"), this);
    RunAfterSave->setObjectName(QStringLiteral("RunPlaytestsAfterSave"));
    StatusLabel = new QLabel(this);
    StatusLabel->setObjectName(QStringLiteral("PlaytestStatus"));
    auto* problemsLabel = new QLabel(QStringLiteral("Map problems:"), this);
    ProblemList = new QListWidget(this);
    ProblemList->setObjectName(QStringLiteral("ProblemList"));
    connect(ProblemList, &QListWidget::itemActivated, this,
            Guarded([this](QListWidgetItem* item) { ChooseProblem(ProblemList->row(item)); }));
    connect(ProblemList, &QListWidget::itemClicked, this,
            Guarded([this](QListWidgetItem* item) { ChooseProblem(ProblemList->row(item)); }));
    for (QWidget* widget :
         std::initializer_list<QWidget*>{MapLabel, PlaytestList, SaveButton, RunAllButton,
                                         RunAfterSave, StatusLabel, problemsLabel, ProblemList})
        layout->addWidget(widget);
    dialog_ = new TFileDialog(this, "SavePlaytestD", TFileDialog::TKind::Save,
                              "Playtests(*.keys)|*.keys", "keys");
    connect(SaveButton, &QPushButton::clicked, this, Guarded([this] { SaveRecording(); }));
    connect(RunAllButton, &QPushButton::clicked, this, Guarded([this] { RunAll(); }));
    connect(PlaytestList, &QListWidget::itemActivated, this,
            Guarded([this](QListWidgetItem* item) { ReplayInView(PlaytestList->row(item)); }));
    resize(320, 360);
}

TPlaytestsPanel::~TPlaytestsPanel() {
    if (process_) {
        process_->disconnect(this);
        process_->kill();
        process_->waitForFinished(3000);
    }
}

std::string TPlaytestsPanel::MapPath() const {
    const std::string& source = editor_.Document->SourcePath();
    if (!source.empty())
        return source;
    return NativePath(editor_.MapFolder() + "\\" + editor_.Map().FileName);
}

void TPlaytestsPanel::KeepRecording(TPlaySession& play) {
    const TKeyRecorder* recorder = play.Recording();
    if (!recorder || recorder->Updates() == 0)
        return;
    TRecording recording;
    recording.Header.Map = ExtractFileName(MapPath());
    recording.Header.Seed = play.Settings().Seed;
    recording.Header.Start = play.Settings().Start;
    recording.Header.Updates = recorder->Updates();
    recording.Keys = recorder->Spans();
    recording.Outcome = PlayReportOf(play);
    recording_ = std::move(recording);
    SaveButton->setEnabled(true);
}

bool TPlaytestsPanel::SaveRecording() {
    if (!recording_)
        return false;
    const std::string map = MapPath();
    dialog_->InitialDir = PlaytestFolder(map);
    dialog_->FileName.clear();
    if (!dialog_->Execute())
        return false;
    QString name = QFileInfo(Q(dialog_->FileName)).fileName();
    if (name.endsWith(QLatin1String(".keys"), Qt::CaseInsensitive))
        name.chop(5);
    SavePlaytest(map, name.toStdString(), recording_->Header, recording_->Keys,
                 recording_->Outcome);
    Results[name.toStdString()] = "recorded";
    Refresh();
    return true;
}

void TPlaytestsPanel::ReplayInView(int row) {
    const std::vector<std::string> names = PlaytestNames(MapPath());
    if (row < 0 || row >= static_cast<int>(names.size()))
        return;
    editor_.ReplayInView(ReadPlaytest(MapPath(), names[static_cast<size_t>(row)]));
}

void TPlaytestsPanel::ChooseProblem(int row) {
    if (row < 0 || row >= static_cast<int>(problemObjects_.size()))
        return;
    const int object = problemObjects_[static_cast<size_t>(row)];
    if (object < 0 || object >= editor_.Map().Objects.Count() || editor_.Playing())
        return;
    TBaseInfo* record = editor_.Map().Objects[object];
    editor_.Document->Select(record);
    editor_.Modify->ShowSelected();
    editor_.Modify->ShowSelectionInLists();
    // The view goes to the object, as far as the world reaches.
    editor_.EdJump->setValue(std::max(0, record->Left - 100));
    editor_.XJumpClick();
}

void TPlaytestsPanel::Refresh() {
    ProblemList->clear();
    problemObjects_.clear();
    for (const TMapProblem& problem : FindMapProblems(editor_.Map(), editor_.ObjMgr.get())) {
        ProblemList->addItem(Q(EscapeControls(problem.Text)));
        problemObjects_.push_back(problem.Object);
    }
    const std::string map = MapPath();
    MapLabel->setText(QStringLiteral("Playtests of ") + Q(EscapeControls(map)));
    PlaytestList->clear();
    for (const std::string& name : PlaytestNames(map)) {
        const auto result = Results.find(name);
        PlaytestList->addItem(Q(EscapeControls(name)) + QStringLiteral(" — ") +
                              (result == Results.end() ? QStringLiteral("not run")
                                                       : Q(EscapeControls(result->second))));
    }
}

bool TPlaytestsPanel::RunAll() {
    const std::string map = MapPath();
    if (Running() || PlaytestNames(map).empty())
        return false;
    // The map as it is now, with its playtests beside it, in a folder of the run's own.
    runFolder_ = std::make_unique<QTemporaryDir>();
    if (!runFolder_->isValid())
        throw EError("Cannot create a folder for the playtests' run");
    const QFileInfo info(Q(map));
    const QString copy = runFolder_->filePath(info.fileName());
    editor_.Map().SaveToFile(copy.toStdString(), editor_.ObjMgr.get());
    CopyFolderFiles(Q(PlaytestFolder(map)),
                    runFolder_->filePath(info.completeBaseName() + QStringLiteral(".playtests")));
    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::MergedChannels);
    connect(process_.get(), &QProcess::finished, this, [this] { RunEnded(); });
    connect(process_.get(), &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            RunEnded();
    });
    // tvmtool beside the editor, else in the game folder's editor folder.
    QString tool = Q(ProgramFolder()) + QStringLiteral("/tvmtool");
    if (!QFileInfo(tool).isExecutable())
        tool = Q(NativePath(BaseFolder() + "editor\\tvmtool"));
    process_->start(tool,
                    {QStringLiteral("test"), QStringLiteral("--base"), Q(BaseFolder()), copy});
    StatusLabel->setText(QStringLiteral("Running…"));
    RunAllButton->setEnabled(false);
    return true;
}

void TPlaytestsPanel::RunEnded() {
    const QStringList lines = QString::fromUtf8(process_->readAll()).split(QLatin1Char('\n'));
    int changed = 0;
    for (const QString& line : lines) {
        const int slash = line.indexOf(QLatin1Char('/'));
        if (slash < 0 ||
            !(line.startsWith(QLatin1String("ok ")) || line.startsWith(QLatin1String("changed ")) ||
              line.startsWith(QLatin1String("error "))))
            continue;
        const QString verdict = line.section(QLatin1Char(' '), 0, 0);
        const int colon = line.indexOf(QLatin1String(": "), slash);
        const QString name = line.mid(slash + 1, colon < 0 ? -1 : colon - slash - 1).trimmed();
        QString result = verdict;
        if (colon >= 0)
            result += QStringLiteral(": ") + line.mid(colon + 2);
        Results[name.toStdString()] = result.toStdString();
        changed += verdict == QLatin1String("ok") ? 0 : 1;
    }
    const bool failed = process_->exitStatus() != QProcess::NormalExit ||
                        (process_->exitCode() != 0 && changed == 0);
    StatusLabel->setText(failed    ? QStringLiteral("The playtests could not be run.")
                         : changed ? QString::number(changed) + QStringLiteral(" changed")
                                   : QStringLiteral("All as recorded"));
    process_.release()->deleteLater();
    runFolder_.reset();
    RunAllButton->setEnabled(true);
    Refresh();
    emit runFinished(failed ? -1 : changed);
}

void TPlaytestsPanel::MapSaved() {
    // The save has happened; nothing here may undo or block it.
    try {
        if (!RunAfterSave->isChecked() || !RunAll())
            Refresh();
    } catch (const std::exception& e) {
        StatusLabel->setText(QStringLiteral("The playtests could not be run: ") +
                             Q(EscapeControls(e.what())));
    }
}

} // namespace tv
