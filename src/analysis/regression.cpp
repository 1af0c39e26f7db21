#include "analysis/regression.h"

#include "analysis/runtime_error.h"

#include <cmath>

namespace vantrel {

void Find_A_B(AnalysisState& state, RegressionModel model) {
    const ModelInfo& info = modelInfo(model);
    const int n = state.Data_count;
    double sx = 0.0;
    double sy = 0.0;
    double sxx = 0.0;
    double sxy = 0.0;
    for (int i = 1; i <= n; ++i) {
        const double x = info.fitX(static_cast<double>(i));
        const double y = info.fitY(state.Data_value[i]);
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
    }
    checkedResult(sy, "the regression sums");
    checkedResult(sxy, "the regression sums");
    const double meanX = sx / n;
    const double meanY = sy / n;
    const double b = checkedResult((sxy / n - meanX * meanY) / (sxx / n - meanX * meanX), "the regression slope");
    state.Reg_B = b;
    const double intercept = checkedResult(meanY - b * meanX, "the regression intercept");
    state.Reg_A = info.aOfIntercept(intercept);
}

double trendValue(RegressionModel model, double a, double b, int i) {
    return checkedResult(modelInfo(model).trend(a, b, static_cast<double>(i)), "the trend");
}

} // namespace vantrel
