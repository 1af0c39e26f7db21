#include "app/chart_painter.h"
#include "batch/batch.h"
#include "views/chart_content.h"

#include <QGuiApplication>

#include <cstdlib>
#include <iostream>
#include <memory>

namespace {

// Drawing text needs a GUI application; a script has no display, so it draws offscreen. It is made
// only for --plot: the table alone needs none.
std::string writePlot(int argc, char** argv, const vantrel::PlotRequest& request) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    // The toolkit's own notes (a missing runtime folder, say) are not this program's messages.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    const QGuiApplication application(argc, argv);
    const vantrel::ChartContent content = vantrel::chartContentOf(
        {request.state, request.table, request.model, request.dTexts, request.iTexts, vantrel::allResultColumns()});
    QString error;
    if (!vantrel::saveChart(content, QString::fromStdString(request.path), QSize(request.width, request.height),
                            &error)) {
        return error.toStdString();
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    auto plot = [argc, argv](const vantrel::PlotRequest& request) { return writePlot(argc, argv, request); };
    return vantrel::runBatch(args, std::cin, std::cout, std::cerr, plot);
}
