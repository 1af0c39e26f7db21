#include "analysis/analysis_state.h"

namespace vantrel {

const char* formulaPrefix(RegressionModel model) {
    switch (model) {
    case RegressionModel::Linear:
        return "    Y = A + B \u00b7 X      A = ";
    case RegressionModel::Logarithmic:
        return "    Y = A + B \u00b7 ln X      A = ";
    case RegressionModel::Exponential:
        return "    Y = A \u00b7 e ^ (B \u00b7 X)      A = ";
    case RegressionModel::Power:
        return "    Y = A \u00b7 X ^ B      A = ";
    }
    return "";
}

void fillModelTexts(AnalysisState& state) {
    for (int k = 1; k <= 4; ++k) {
        state.Reg_formula[k] = std::string(formulaPrefix(static_cast<RegressionModel>(k))) + "0.0  B = 0.0";
    }
    state.Reg_name[1] = "Linear";
    state.Reg_name[2] = "Logarithmic";
    state.Reg_name[3] = "Exponential";
    state.Reg_name[4] = "Power";
}

} // namespace vantrel
