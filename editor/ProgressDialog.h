#pragma once

#include "mapdata/Errors.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>
#include <QString>

namespace tv {

// Shows how far a long task got once it has taken about half a second, with a Cancel button
// that stops it; the window it belongs to takes no input meanwhile. A task that ends sooner
// shows nothing.
class TProgressDialog : public IProgress {
public:
    TProgressDialog(QWidget* window, QString label);
    ~TProgressDialog() override;
    TProgressDialog(const TProgressDialog&) = delete;
    TProgressDialog& operator=(const TProgressDialog&) = delete;

    bool Report(uint64_t done, uint64_t total) override;
    // The dialog once it is shown (tests press its Cancel button).
    QProgressDialog* Dialog() const { return dialog_; }

private:
    QWidget* window_;
    QString label_;
    QElapsedTimer started_;
    qint64 shownAt_ = 0;
    QPointer<QProgressDialog> dialog_;
};

} // namespace tv
