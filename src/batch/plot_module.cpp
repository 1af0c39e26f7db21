// The chart of vantrel-batch --plot, in a module of its own: the toolkit it draws with takes longer to
// load than the whole analysis takes to run, so vantrel-batch loads it only when a chart is asked for.

#include "batch/plot_module.h"
#include "app/chart_painter.h"
#include "views/chart_content.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

// The length of the usual series, for the ticks of the chart painted ahead.
constexpr int kPreparedPoints = 1500;

// The order being drawn, for the toolkit's message handler.
const vantrel::PlotOrder* currentOrder = nullptr;

// The toolkit's notes (a missing runtime folder, say) are not this program's messages. The one it
// would end the program with goes to the program, which ends the run its own way; this thread
// stays here, since the toolkit cannot go on from it.
void passFatalMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtFatalMsg) {
        return;
    }
    const std::string why = message.toLocal8Bit().toStdString();
    if (currentOrder == nullptr || !currentOrder->toolkitStuck) {
        std::fprintf(stderr, "vantrel-batch: %s\n", why.c_str());
        return;
    }
    currentOrder->toolkitStuck(why);
    for (;;) {
        std::this_thread::sleep_for(std::chrono::hours(1));
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
    // vantrel-batch has set the environment before this thread started: the chart is always drawn
    // offscreen, and a desktop's debugging settings cannot turn a note into an abort.
    currentOrder = &order;
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
    if (order.drawn) {
        order.drawn(error);
    }
}
