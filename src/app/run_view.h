#pragma once

#include "analysis/analysis_state.h"
#include "app/frame_interval.h"
#include "app/run_followers.h"

#include <QElapsedTimer>

#include <array>
#include <functional>

class QAction;
class QLabel;
class QWidget;

namespace vantrel {

class ParameterBox;
class ProgressStrip;

// Thrown out of a run when the window is closed in the middle of it, so that the program can end at
// once. It is not a run-time error: no failure path runs and no message is shown.
struct RunAborted {};

// The parts of the window a run shows itself in, and what the window does at the run's milestones.
struct RunViewParts {
    std::array<ParameterBox*, kWaveCount> dBoxes{};
    std::array<ParameterBox*, kWaveCount> iBoxes{};
    ProgressStrip* strip = nullptr;
    QLabel* formula = nullptr;
    QAction* update = nullptr;
    // The "on" items of the two switches: enabled (and shown) while their adjustment is on.
    QAction* amplitudeOn = nullptr;
    QAction* wavelengthOn = nullptr;
    NumberFormat format = NumberFormat::DecimalPoint;
    std::function<bool()> closeRequested;
    std::function<void(bool fellBackToLinear, bool nonpositiveData)> signChecked;
};

// The parameter band during a run: the boxes and switches the run reads, the formula line, the
// progress strip, the d boxes during their searches. The window is kept responsive by letting
// pending events run during the searches, but no more often than a person can see.
class RunView final : public RunFollower, public RunInputs {
public:
    explicit RunView(RunViewParts parts) : m_parts(std::move(parts)) {}

    // A new run begins: its first search step shows at once.
    void restart();

    WaveModes modes() override;
    std::string iText(int box) override;
    std::string dText(int box) override;
    void setBoxText(BoxKind kind, int box, const std::string& text) override;

    void runFailed(RunFailure failure) override;
    void scanMark(double x) override;
    void scanFinished() override;
    void intakeFinished() override;
    void signChecked(bool fellBackToLinear, bool nonpositiveData) override;
    void formulaLine(const std::string& text) override;
    void columnFilled(int column) override;
    void wavesStarting() override;
    void waveStarted(int wave) override;
    void searchStarted(int box, SearchKind kind) override;
    void searchStep(int box, double d) override;
    void combinedD(int box, double d) override;
    void waveDone(int wave) override;

private:
    bool frameDue() const;
    void showStepAndPump(QWidget* box);

    RunViewParts m_parts;
    QElapsedTimer m_lastFrame;
    int m_scanMarks = 0;
};

} // namespace vantrel
