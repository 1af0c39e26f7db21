#pragma once

#include "intake/intake.h"
#include "views/analysis_views.h"

#include <QElapsedTimer>

class QWidget;

namespace vantrel {

class frmVantrel;

// Thrown out of a run when the window is closed in the middle of it, so that the program can end at
// once. It is not a run-time error: no failure path runs and no message is shown.
struct RunAborted {};

// What a run shows in the window while it goes: the formula line, the columns as they are filled,
// the progress strip, the d boxes during their searches. The window is kept responsive by letting
// pending events run during the searches, but no more often than a person can see.
class RunView final : public AnalysisObserver, public IntakeProgress {
public:
    explicit RunView(frmVantrel& window) : m_window(window) {}

    // A new run begins: its first search step shows at once.
    void restart();

    WaveModes modes() override;
    std::string iText(int box) override;
    std::string dText(int box) override;
    void waveStarted(int wave) override;
    void searchStarted(int box, SearchKind kind) override;
    void searchStep(int box, double d) override;
    void combinedD(int box, double d) override;
    void waveDone(int wave) override;
    void formulaLine(const std::string& text) override;
    void columnFilled(int column) override;
    void wavesStarting() override;

    void scanMark(double x) override;
    void scanFinished() override;

    static constexpr int kFrameMilliseconds = 16;

private:
    bool frameDue() const;
    void showStepAndPump(QWidget* box);

    frmVantrel& m_window;
    QElapsedTimer m_lastFrame;
};

} // namespace vantrel
