#pragma once

namespace tv {

// A GUI program started outside a desktop session hears from Qt that XDG_RUNTIME_DIR is not
// set. Nothing the programs do uses that folder, so the notice is only noise on standard
// error: this installs a message handler that drops it and passes every other message on to
// the handler installed before. Call once, before the application object is made.
void DropSessionNotices();

} // namespace tv
