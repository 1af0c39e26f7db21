#include "analysis/models.h"

#include <cmath>

namespace vantrel {

namespace {

const std::array<ModelInfo, kModelCount> kModels = {{
    {RegressionModel::Linear, "&Linear", "Linear", "    Y = A + B \u00b7 X      A = ", "linear", false, false,
     [](double a, double b, double x) { return a + b * x; }},
    {RegressionModel::Logarithmic, "L&ogarithmic", "Logarithmic", "    Y = A + B \u00b7 ln X      A = ", "logarithmic",
     false, true, [](double a, double b, double x) { return b * std::log(x) + a; }},
    {RegressionModel::Exponential, "&Exponential", "Exponential", "    Y = A \u00b7 e ^ (B \u00b7 X)      A = ",
     "exponential", true, false, [](double a, double b, double x) { return a * std::exp(b * x); }},
    {RegressionModel::Power, "&Power", "Power", "    Y = A \u00b7 X ^ B      A = ", "power", true, true,
     [](double a, double b, double x) { return a * std::pow(x, b); }},
}};

} // namespace

const std::array<ModelInfo, kModelCount>& allModels() {
    return kModels;
}

const ModelInfo& modelInfo(RegressionModel model) {
    return kModels[static_cast<std::size_t>(modelNumber(model) - 1)];
}

} // namespace vantrel
