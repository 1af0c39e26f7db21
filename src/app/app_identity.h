#pragma once

#include <QString>

namespace vantrel {

// The id of the installed desktop entry (its file name without ".desktop"): the desktop pairs the
// running window with that entry's name and icon through it.
inline const QString kDesktopFileName = QStringLiteral("io.github.vantrel.Vantrel");
inline const QString kWindowIconPath = QStringLiteral(":/icons/vantrel.svg");

// Names, version, desktop entry and icon of the running application; call once the application
// object exists, before the window is shown.
void applyApplicationIdentity();

} // namespace vantrel
