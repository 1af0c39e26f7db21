#include "app/app_identity.h"
#include "app/command_line.h"
#include "app/frm_vantrel.h"

#include <QApplication>
#include <QTimer>

#include <iostream>

int main(int argc, char* argv[]) {
    // Before Qt starts: without a display it would abort, and --help needs none.
    const vantrel::WindowCommandLine command = vantrel::readWindowCommandLine(
        std::vector<std::string>(argv + 1, argv + argc), vantrel::environmentHasDisplay(), std::cout, std::cerr);
    if (command.action == vantrel::WindowCommandLine::Action::Exit) {
        return command.exitStatus;
    }
    QApplication application(argc, argv);
    vantrel::applyApplicationIdentity();
    vantrel::frmVantrel window;
    window.show();
    if (!command.file.empty()) {
        const QString file = QString::fromLocal8Bit(command.file.c_str());
        QTimer::singleShot(0, &window, [&window, file] { window.openFile(file); });
    }
    return QApplication::exec();
}
