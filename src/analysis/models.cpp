#include "analysis/models.h"

#include "analysis/runtime_error.h"

#include <cmath>

namespace vantrel {

namespace {

double lnOfX(double x) {
    return std::log(x); // x counts from 1
}

double lnOfData(double y) {
    return checkedLog(y, "the regression fit");
}

double expOfIntercept(double intercept) {
    return checkedResult(std::exp(intercept), "the regression intercept");
}

const std::array<ModelInfo, kModelCount> kModels = {{
    {.id = RegressionModel::Linear,
     .caption = "&Linear",
     .name = "Linear",
     .formulaPrefix = "    Y = A + B \u00b7 X      A = ",
     .commandLineName = "linear",
     .trend = [](double a, double b, double x) { return a + b * x; }},
    {.id = RegressionModel::Logarithmic,
     .caption = "L&ogarithmic",
     .name = "Logarithmic",
     .formulaPrefix = "    Y = A + B \u00b7 ln X      A = ",
     .commandLineName = "logarithmic",
     .fitX = lnOfX,
     .trend = [](double a, double b, double x) { return b * std::log(x) + a; }},
    {.id = RegressionModel::Exponential,
     .caption = "&Exponential",
     .name = "Exponential",
     .formulaPrefix = "    Y = A \u00b7 e ^ (B \u00b7 X)      A = ",
     .commandLineName = "exponential",
     .fitY = lnOfData,
     .aOfIntercept = expOfIntercept,
     .logOfData = true,
     .trend = [](double a, double b, double x) { return a * std::exp(b * x); }},
    {.id = RegressionModel::Power,
     .caption = "&Power",
     .name = "Power",
     .formulaPrefix = "    Y = A \u00b7 X ^ B      A = ",
     .commandLineName = "power",
     .fitX = lnOfX,
     .fitY = lnOfData,
     .aOfIntercept = expOfIntercept,
     .logOfData = true,
     .trend = [](double a, double b, double x) { return a * std::pow(x, b); }},
}};

} // namespace

const std::array<ModelInfo, kModelCount>& allModels() {
    return kModels;
}

const ModelInfo& modelInfo(RegressionModel model) {
    return kModels[static_cast<std::size_t>(modelNumber(model) - 1)];
}

} // namespace vantrel
