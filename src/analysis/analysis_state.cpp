#include "analysis/analysis_state.h"

namespace vantrel {

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
