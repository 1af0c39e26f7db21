#include "intake/paste_run.h"

#include "analysis/runtime_error.h"
#include "intake/messages.h"

namespace vantrel {

namespace {

void clampBoxTextsForRun(PasteObserver& observer, NumberFormat format) {
    for (int n = 0; n < kWaveCount; ++n) {
        const std::string d = observer.dText(n);
        const std::string clampedD = clampDTextForRun(d, format);
        if (clampedD != d) {
            observer.setBoxText(BoxKind::D, n, clampedD);
        }
        const std::string i = observer.iText(n);
        const std::string clampedI = clampITextForRun(i, format);
        if (clampedI != i) {
            observer.setBoxText(BoxKind::I, n, clampedI);
        }
    }
}

IntakeOutcome intakeShown(std::string_view text, RegressionModel checkedModel, AnalysisState& state, ResultTable& table,
                          PasteObserver& observer) {
    IntakeOutcome outcome;
    try {
        outcome = runIntake(text, state, table, checkedModel, observer, state.format);
    } catch (...) {
        observer.intakeFinished();
        throw;
    }
    observer.intakeFinished();
    return outcome;
}

PasteOutcome refused(std::string reason) {
    return {PasteResult::Refused, std::move(reason)};
}

} // namespace

PasteOutcome runPaste(std::string_view text, RegressionModel checkedModel, AnalysisState& state, ResultTable& table,
                      PasteObserver& observer, WaveRunStats* stats, const AveragingMode& mode) {
    state.No_paste_yet = false;
    try {
        clampBoxTextsForRun(observer, state.format);
        const IntakeOutcome intake = intakeShown(text, checkedModel, state, table, observer);
        if (intake.result == IntakeResult::TooLarge) {
            return refused(tooLargeMessage(seriesRows(state.maxPoints)));
        }
        observer.signChecked(intake.fellBackToLinear, state.Nonpositive_data);
        if (intake.result == IntakeResult::NotEnoughData) {
            return refused(notEnoughDataMessage());
        }
        const RegressionModel model = intake.fellBackToLinear ? RegressionModel::Linear : checkedModel;
        runFullAnalysis(state, table, model, observer, stats, mode);
        return {PasteResult::Loaded, {}, model};
    } catch (const RuntimeError&) {
        return {PasteResult::RuntimeError, runtimeErrorReason()};
    }
}

} // namespace vantrel
