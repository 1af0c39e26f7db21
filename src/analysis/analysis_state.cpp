#include "analysis/analysis_state.h"

namespace vantrel {

void fillModelTexts(AnalysisState& state) {
    state.Reg_formula[1] = "    Y = A + B \u00b7 X      A = 0.0  B = 0.0";
    state.Reg_formula[2] = "    Y = A + B \u00b7 ln X      A = 0.0  B = 0.0";
    state.Reg_formula[3] = "    Y = A \u00b7 e ^ (B \u00b7 X)      A = 0.0  B = 0.0";
    state.Reg_formula[4] = "    Y = A \u00b7 X ^ B      A = 0.0  B = 0.0";
    state.Reg_name[1] = "Linear";
    state.Reg_name[2] = "Logarithmic";
    state.Reg_name[3] = "Exponential";
    state.Reg_name[4] = "Power";
}

} // namespace vantrel
