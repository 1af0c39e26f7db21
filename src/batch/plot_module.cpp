// The chart of vantrel-batch --plot, in a module of its own: the toolkit it draws with takes longer to
// load than the whole analysis takes to run, so vantrel-batch loads it only when a chart is asked for.

#include "app/chart_painter.h"
#include "batch/batch.h"
#include "views/chart_content.h"

#include <QGuiApplication>

#include <cstdlib>

// Writes the chart file; on failure `error` says why.
extern "C" __attribute__((visibility("default"))) void vantrelWritePlot(const vantrel::PlotRequest& request,
                                                                        std::string& error, int argc, char** argv) {
    // A script has no display: the chart is drawn offscreen.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    // The toolkit's own notes (a missing runtime folder, say) are not this program's messages.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    const QGuiApplication application(argc, argv);
    const vantrel::ChartContent content = vantrel::chartContentOf(
        {request.state, request.table, request.model, request.dTexts, request.iTexts, vantrel::allResultColumns()});
    QString why;
    if (!vantrel::saveChart(content, QString::fromStdString(request.path), QSize(request.width, request.height),
                            &why)) {
        error = why.toStdString();
    }
}
