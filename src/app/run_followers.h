#pragma once

#include "app/vector_state.h"
#include "intake/paste_run.h"

#include <vector>

namespace vantrel {

// Why a run ended without its results: the data was refused, or a run-time error stopped it.
enum class RunFailure { Refused, Failed };

// A view of the window that follows its runs: the band, the grid, the chart, any later view. It
// hears every notification of a run and the window's own two (a run starts rewriting the columns
// from `firstColumn` on; a run failed), and takes only those it shows. Notifications never throw,
// but for the band's RunAborted when the window closes during a run.
class RunFollower {
public:
    virtual ~RunFollower() = default;

    virtual void runStarting(int /*firstColumn*/) {}
    virtual void runFailed(RunFailure /*failure*/) {}

    virtual void scanMark(double /*x*/) {}
    virtual void scanFinished() {}
    virtual void intakeFinished() {}
    virtual void signChecked(bool /*fellBackToLinear*/, bool /*nonpositiveData*/) {}
    virtual void formulaLine(const std::string& /*text*/) {}
    virtual void columnFilled(int /*column*/) {}
    virtual void wavesStarting() {}
    virtual void waveStarted(int /*wave*/) {}
    virtual void searchStarted(int /*box*/, SearchKind /*kind*/) {}
    virtual void searchStep(int /*box*/, double /*d*/) {}
    virtual void combinedD(int /*box*/, double /*d*/) {}
    virtual void waveDone(int /*wave*/) {}
};

// What a run asks of the window: the switches and the box texts as they are when it reaches them.
class RunInputs {
public:
    virtual ~RunInputs() = default;
    virtual WaveModes modes() = 0;
    virtual std::string iText(int box) = 0;
    virtual std::string dText(int box) = 0;
    virtual void setBoxText(BoxKind kind, int box, const std::string& text) = 0;
};

// Clears the vector state when the call it guards ends, also by an exception (a close during the run).
struct ClearVectorStateAtEnd {
    ClearVectorStateAtEnd() = default;
    ClearVectorStateAtEnd(const ClearVectorStateAtEnd&) = delete;
    ClearVectorStateAtEnd& operator=(const ClearVectorStateAtEnd&) = delete;
    ~ClearVectorStateAtEnd() { clearUpperVectorState(); }
};

// The one observer of the window's runs: it asks the inputs and passes every notification to each
// follower, in the order they subscribed. After each call into the window it clears the upper halves
// of the vector registers, which the toolkit's code leaves in use (see clearUpperVectorState).
class RunHub final : public PasteObserver {
public:
    explicit RunHub(RunInputs& inputs) : m_inputs(inputs) {}

    void subscribe(RunFollower& follower) { m_followers.push_back(&follower); }

    void runStarting(int firstColumn) { notify(&RunFollower::runStarting, firstColumn); }
    void runFailed(RunFailure failure) { notify(&RunFollower::runFailed, failure); }

    WaveModes modes() override;
    std::string iText(int box) override;
    std::string dText(int box) override;
    void setBoxText(BoxKind kind, int box, const std::string& text) override;

    void scanMark(double x) override { notify(&RunFollower::scanMark, x); }
    void scanFinished() override { notify(&RunFollower::scanFinished); }
    void intakeFinished() override { notify(&RunFollower::intakeFinished); }
    void signChecked(bool fellBack, bool nonpositive) override {
        notify(&RunFollower::signChecked, fellBack, nonpositive);
    }
    void formulaLine(const std::string& text) override { notify(&RunFollower::formulaLine, text); }
    void columnFilled(int column) override { notify(&RunFollower::columnFilled, column); }
    void wavesStarting() override { notify(&RunFollower::wavesStarting); }
    void waveStarted(int wave) override { notify(&RunFollower::waveStarted, wave); }
    void searchStarted(int box, SearchKind kind) override { notify(&RunFollower::searchStarted, box, kind); }
    void searchStep(int box, double d) override { notify(&RunFollower::searchStep, box, d); }
    void combinedD(int box, double d) override { notify(&RunFollower::combinedD, box, d); }
    void waveDone(int wave) override { notify(&RunFollower::waveDone, wave); }

private:
    template <typename... Params, typename... Args>
    void notify(void (RunFollower::*notification)(Params...), const Args&... args) {
        const ClearVectorStateAtEnd clear;
        for (RunFollower* follower : m_followers) {
            (follower->*notification)(args...);
        }
    }

    RunInputs& m_inputs;
    std::vector<RunFollower*> m_followers;
};

} // namespace vantrel
