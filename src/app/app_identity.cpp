#include "app/app_identity.h"

#include <QGuiApplication>
#include <QIcon>

// The icon is compiled into this static library; without a reference from code that is linked, the
// linker would drop it from the programs.
static void initialiseResources() {
    Q_INIT_RESOURCE(resources);
}

namespace vantrel {

void applyApplicationIdentity() {
    initialiseResources();
    QGuiApplication::setApplicationName(QStringLiteral("vantrel"));
    QGuiApplication::setApplicationVersion(QStringLiteral(VANTREL_VERSION));
    QGuiApplication::setDesktopFileName(kDesktopFileName);
    QGuiApplication::setWindowIcon(QIcon(kWindowIconPath));
}

} // namespace vantrel
