#include "analysis/analysis_state.h"

namespace vantrel {

AnalysisState::AnalysisState() {
    sizeForPoints(*this, kMaxPoints);
}

void sizeForPoints(AnalysisState& state, int points) {
    const auto elements = static_cast<std::size_t>(seriesRows(points)) + 1;
    for (Series* series : {&state.Data_value, &state.Reg_value, &state.Osc_value, &state.Rem_value, &state.BMA_value,
                           &state.Fwd_mean, &state.Bwd_mean}) {
        series->resize(elements);
    }
    for (Series& wave : state.Wave_value) {
        wave.resize(elements);
    }
    state.List2.sizeFor(seriesRows(points));
    state.List4.sizeFor(seriesRows(points));
}

void fillModelTexts(AnalysisState& state) {
    for (const ModelInfo& model : allModels()) {
        state.Reg_formula[modelNumber(model.id)] = std::string(model.formulaPrefix) + formatFixed(0, 1, state.format) +
                                                   "  B = " + formatFixed(0, 1, state.format);
    }
    for (const ModelInfo& model : allModels()) {
        state.Reg_name[modelNumber(model.id)] = model.name;
    }
}

} // namespace vantrel
