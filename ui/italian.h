#pragma once

class QCoreApplication;

namespace tavola {

// The game speaks Italian whatever the desktop's language, and so must Qt's
// own texts: the answer box's context menu, standard buttons and dialogs.
void SpeakItalian(QCoreApplication& application);

} // namespace tavola
