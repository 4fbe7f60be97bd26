#include "engine/SessionNotices.h"

#include <QString>
#include <QtGlobal>

namespace tv {

namespace {

QtMessageHandler previousHandler = nullptr;

void PassOnAllButSessionNotices(QtMsgType type, const QMessageLogContext& context,
                                const QString& text) {
    if (text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    if (previousHandler)
        previousHandler(type, context, text);
}

} // namespace

void DropSessionNotices() {
    QtMessageHandler previous = qInstallMessageHandler(PassOnAllButSessionNotices);
    if (previous != PassOnAllButSessionNotices)
        previousHandler = previous;
}

} // namespace tv
