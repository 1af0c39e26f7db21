// The chart of vantrel-batch --plot, in a module of its own: the toolkit it draws with takes longer to
// load than the whole analysis takes to run, so vantrel-batch loads it only when a chart is asked for.

#include "app/chart_painter.h"
#include "batch/batch.h"
#include "views/chart_content.h"

#include <QGuiApplication>

#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <cstdlib>

namespace {

// Reading the system's font configuration is most of what the toolkit's start costs. Done as the
// module is loaded, it happens on the thread that vantrel-batch loads the module on ahead of the
// chart, beside the analysis; the toolkit then finds it read.
[[maybe_unused]] const bool g_fontConfigurationRead = FcInit() == FcTrue;

// The toolkit's notes (a missing runtime folder, say) are not this program's messages, but the one
// it ends the program with must not go unsaid.
void passFatalMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "vantrel-batch: %s\n", message.toLocal8Bit().constData());
    }
}

} // namespace

// Writes the chart file; on failure `error` says why. The program's own arguments are not the
// toolkit's: it sees the program's name alone, so that "--plot -platform" names a file.
extern "C" __attribute__((visibility("default"))) void vantrelWritePlot(const vantrel::PlotRequest& request,
                                                                        std::string& error, char* programName) {
    // A script has no display, and an inherited platform (a desktop's, over ssh or from cron) may
    // not start: the chart is always drawn offscreen.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // A desktop's debugging settings must not turn a note about it (no runtime folder) into an abort.
    unsetenv("QT_FATAL_WARNINGS");
    unsetenv("QT_FATAL_CRITICALS");
    qInstallMessageHandler(passFatalMessages);
    int argc = 1;
    char* argv[] = {programName, nullptr};
    const QGuiApplication application(argc, argv);
    const vantrel::ChartContent content = vantrel::chartContentOf(
        {request.state, request.table, request.model, request.dTexts, request.iTexts, vantrel::allResultColumns()});
    QString why;
    if (!vantrel::saveChart(content, QString::fromStdString(request.path), QSize(request.width, request.height),
                            &why)) {
        error = why.toStdString();
    }
}
