#include "editor/ProgressDialog.h"

#include <QCoreApplication>
#include <algorithm>

namespace tv {

namespace {

constexpr int kSteps = 1000;
constexpr qint64 kShowAfterMs = 500;
constexpr qint64 kUpdateEveryMs = 100;

} // namespace

TProgressDialog::TProgressDialog(QWidget* window, QString label)
    : window_(window), label_(std::move(label)) {
    started_.start();
}

TProgressDialog::~TProgressDialog() {
    delete dialog_;
}

bool TProgressDialog::Report(uint64_t done, uint64_t total) {
    // The dialog is brought up to date a few times a second; more would cost the task time.
    const qint64 now = started_.elapsed();
    if (now < kShowAfterMs || (dialog_ && now - shownAt_ < kUpdateEveryMs))
        return !dialog_ || !dialog_->wasCanceled();
    shownAt_ = now;
    if (!dialog_) {
        dialog_ = new QProgressDialog(label_, QStringLiteral("Cancel"), 0, kSteps, window_);
        dialog_->setObjectName(QStringLiteral("ProgressDialog"));
        dialog_->setWindowModality(Qt::WindowModal);
        dialog_->setMinimumDuration(0);
        dialog_->setAutoReset(false);
        dialog_->setAutoClose(false);
        dialog_->show();
    }
    const uint64_t steps = total ? std::min(done, total) * kSteps / total : kSteps;
    dialog_->setValue(static_cast<int>(steps));
    // The events go through while the task runs, so the dialog is drawn and Cancel is seen.
    QCoreApplication::processEvents();
    return !dialog_->wasCanceled();
}

} // namespace tv
