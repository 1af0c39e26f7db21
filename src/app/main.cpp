#include "app/app_identity.h"
#include "app/frm_vantrel.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    vantrel::applyApplicationIdentity();
    vantrel::frmVantrel window;
    window.show();
    return QApplication::exec();
}
