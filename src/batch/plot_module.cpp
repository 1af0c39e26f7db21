// The chart of vantrel-batch --plot, in a module of its own: the toolkit it draws with takes longer to
// load than the whole analysis takes to run, so vantrel-batch loads it only when a chart is asked for.

#include "batch/plot_module.h"
#include "app/chart_painter.h"
#include "views/chart_content.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstdlib>

namespace {

// The length of the usual series, for the ticks of the chart painted ahead.
constexpr int kPreparedPoints = 1500;

// The toolkit's notes (a missing runtime folder, say) are not this program's messages, but the one
// it ends the program with must not go unsaid.
void passFatalMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "vantrel-batch: %s\n", message.toLocal8Bit().constData());
    }
}

// The canvas and the fonts are ready before the analysis ends: an empty chart painted on the canvas
// touches every page of its memory and loads the glyphs of the titles and the ticks at their size.
QImage preparedCanvas(QSize size) {
    QImage canvas = vantrel::chartCanvas(size);
    if (!canvas.isNull()) {
        QPainter painter(&canvas);
        vantrel::paintChart(painter, QRectF(QPointF(0, 0), size), vantrel::chartSkeleton(kPreparedPoints));
    }
    return canvas;
}

} // namespace

// Writes the chart file when asked; on failure `error` says why. Everything the toolkit does happens
// on the calling thread, which the toolkit takes for its main one. The program's own arguments are
// not the toolkit's: it sees the program's name alone, so that "--plot -platform" names a file.
extern "C" __attribute__((visibility("default"))) void vantrelDrawPlot(const vantrel::PlotOrder& order,
                                                                       std::string& error) {
    // A script has no display, and an inherited platform (a desktop's, over ssh or from cron) may
    // not start: the chart is always drawn offscreen.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // A desktop's debugging settings must not turn a note about it (no runtime folder) into an abort.
    unsetenv("QT_FATAL_WARNINGS");
    unsetenv("QT_FATAL_CRITICALS");
    qInstallMessageHandler(passFatalMessages);
    int argc = 1;
    char* argv[] = {order.programName, nullptr};
    const QGuiApplication application(argc, argv);
    QImage canvas = preparedCanvas(QSize(order.expectedWidth, order.expectedHeight));
    const vantrel::PlotRequest* request = order.awaitRequest();
    if (request == nullptr) {
        return;
    }
    const vantrel::ChartContent content =
        vantrel::chartContentOf({request->state, request->table, request->model, request->dTexts, request->iTexts,
                                 vantrel::allResultColumns()});
    QString why;
    if (!vantrel::saveChart(content, QString::fromStdString(request->path), QSize(request->width, request->height),
                            &why, &canvas)) {
        error = why.toStdString();
    }
}
