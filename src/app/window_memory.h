#pragma once

#include <QString>

class QWidget;

namespace vantrel {

// What the program remembers between sessions, in the user's configuration folder: where its windows
// were and the last folder a file was opened from or saved to. Never the analysis settings. Only the
// program itself remembers (the name applyApplicationIdentity gives it), so tests and vantrel-batch's
// chart module leave the user's settings alone.

// Puts the window where it was when it was last hidden, if it was, and remembers it whenever it is
// hidden or closed from now on.
void rememberGeometry(QWidget* window, const QString& key);

QString lastFolder();
void setLastFolderOf(const QString& filePath);

} // namespace vantrel
