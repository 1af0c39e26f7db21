#include "analysis/regression.h"

#include "analysis/runtime_error.h"

#include <cmath>

namespace vantrel {

namespace {

bool logOfX(RegressionModel model) {
    return model == RegressionModel::Logarithmic || model == RegressionModel::Power;
}
} // namespace

bool takesLogOfData(RegressionModel model) {
    return model == RegressionModel::Exponential || model == RegressionModel::Power;
}

void Find_A_B(AnalysisState& state, RegressionModel model) {
    const int n = state.Data_count;
    double sx = 0.0;
    double sy = 0.0;
    double sxx = 0.0;
    double sxy = 0.0;
    for (int i = 1; i <= n; ++i) {
        const double x = logOfX(model) ? std::log(static_cast<double>(i)) : static_cast<double>(i);
        const double y =
            takesLogOfData(model) ? checkedLog(state.Data_value[i], "the regression fit") : state.Data_value[i];
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
    state.Reg_A = takesLogOfData(model) ? checkedResult(std::exp(intercept), "the regression intercept") : intercept;
}

double trendValue(RegressionModel model, double a, double b, int i) {
    const double x = static_cast<double>(i);
    double value = 0.0;
    switch (model) {
    case RegressionModel::Linear:
        value = a + b * x;
        break;
    case RegressionModel::Logarithmic:
        value = b * std::log(x) + a;
        break;
    case RegressionModel::Exponential:
        value = a * std::exp(b * x);
        break;
    case RegressionModel::Power:
        value = a * std::pow(x, b);
        break;
    }
    return checkedResult(value, "the trend");
}

} // namespace vantrel
