#include "editor/Dialogs.h"

#include "editor/EditorApp.h"
#include "mapdata/Paths.h"
#include "mapdata/Text.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStringList>

namespace tv {

namespace {

IDialogs*& InstalledDialogs() {
    static IDialogs* dialogs = nullptr;
    return dialogs;
}

} // namespace

void TQtDialogs::MessageBox(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Message"), ToQString(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void TQtDialogs::ErrorBox(const std::string& title, const std::string& text) {
    QMessageBox box(QMessageBox::Critical, ToQString(title), ToQString(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

std::optional<std::string> TQtDialogs::FileName(const TFileDialogRequest& request) {
    QFileDialog dialog(QApplication::activeWindow(), QString(), ToQString(request.InitialDir),
                       request.Filter);
    dialog.setAcceptMode(request.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // The open dialogs accept names that do not exist: opening them reports the failure.
    dialog.setFileMode(QFileDialog::AnyFile);
    if (request.Save)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

std::optional<uint32_t> TQtDialogs::Color(uint32_t initialRgb) {
    const QColor chosen = QColorDialog::getColor(QColor::fromRgb(initialRgb & 0xFFFFFFu),
                                                 QApplication::activeWindow());
    if (!chosen.isValid())
        return std::nullopt;
    return static_cast<uint32_t>(chosen.rgb() & 0xFFFFFFu);
}

std::optional<TSpaceRequest> TQtDialogs::AskSpace(const TSpaceRequest& request) {
    QDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(ToQString(request.Title));
    auto* form = new QFormLayout(&dialog);
    auto* x = new QSpinBox(&dialog);
    x->setRange(0, INT32_MAX);
    x->setValue(request.X);
    auto* amount = new QSpinBox(&dialog);
    amount->setRange(1, INT32_MAX);
    amount->setValue(request.Amount);
    form->addRow(QStringLiteral("At world x:"), x);
    form->addRow(QStringLiteral("Width:"), amount);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    TSpaceRequest answer = request;
    answer.X = x->value();
    answer.Amount = amount->value();
    return answer;
}

// The questions are titled with the editor's name alone; the text names the file.
TSaveChoice TQtDialogs::AskSave(const std::string& text) {
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(EditorTitle), ToQString(text),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save:
        return TSaveChoice::Save;
    case QMessageBox::Discard:
        return TSaveChoice::Discard;
    default:
        return TSaveChoice::Cancel;
    }
}

bool TQtDialogs::AskYesNo(const std::string& text) {
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(EditorTitle), ToQString(text),
                    QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

TRecoveryChoice TQtDialogs::AskRecovery(const std::string& text) {
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(EditorTitle), ToQString(text),
                    QMessageBox::NoButton, QApplication::activeWindow());
    QPushButton* restore = box.addButton(QStringLiteral("Restore"), QMessageBox::AcceptRole);
    QPushButton* later = box.addButton(QStringLiteral("Keep for Later"), QMessageBox::RejectRole);
    QPushButton* remove = box.addButton(QStringLiteral("Delete"), QMessageBox::DestructiveRole);
    box.setDefaultButton(restore);
    box.setEscapeButton(later);
    box.exec();
    if (box.clickedButton() == restore)
        return TRecoveryChoice::Restore;
    if (box.clickedButton() == remove)
        return TRecoveryChoice::Delete;
    return TRecoveryChoice::Later;
}

IDialogs& Dialogs() {
    static TQtDialogs real;
    IDialogs* installed = InstalledDialogs();
    return installed ? *installed : real;
}

void SetDialogs(IDialogs* dialogs) {
    InstalledDialogs() = dialogs;
}

QString QtFileFilter(std::string_view filter) {
    const QStringList parts =
        QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size())).split('|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        if (description.endsWith(')')) {
            const qsizetype open = description.lastIndexOf('(');
            if (open >= 0)
                description = description.left(open).trimmed();
        }
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
            const QString p = pattern.trimmed();
            if (!p.isEmpty())
                patterns << (p == QStringLiteral("*.*") ? QStringLiteral("*") : p);
        }
        if (patterns.isEmpty())
            patterns << QStringLiteral("*");
        entries << description + QStringLiteral(" (") + patterns.join(' ') + QStringLiteral(")");
    }
    return entries.join(QStringLiteral(";;"));
}

std::string AddDefaultExtension(const std::string& path, std::string_view ext) {
    if (ext.empty() || path.empty() || !ExtractFileExt(path).empty())
        return path;
    const char last = path.back();
    if (last == '/' || last == '\\')
        return path;
    return path + "." + std::string(ext);
}

TFileDialog::TFileDialog(QObject* owner, const char* name, TKind kind, std::string filter,
                         std::string defaultExt)
    : QObject(owner), Kind(kind), Filter(std::move(filter)), DefaultExt(std::move(defaultExt)) {
    setObjectName(QString::fromLatin1(name));
}

bool TFileDialog::Execute() {
    TFileDialogRequest request;
    request.Save = Kind == TKind::Save;
    request.InitialDir = InitialDir.empty() ? std::string() : NativePath(InitialDir);
    request.Filter = QtFileFilter(Filter);
    request.DefaultExt = DefaultExt;
    const std::optional<std::string> chosen = Dialogs().FileName(request);
    if (!chosen || chosen->empty())
        return false;
    FileName = AddDefaultExtension(*chosen, DefaultExt);
    return true;
}

TColorDialog::TColorDialog(QObject* owner, const char* name) : QObject(owner) {
    setObjectName(QString::fromLatin1(name));
}

bool TColorDialog::Execute() {
    const std::optional<uint32_t> chosen = Dialogs().Color(Color);
    if (!chosen)
        return false;
    Color = *chosen;
    return true;
}

} // namespace tv
