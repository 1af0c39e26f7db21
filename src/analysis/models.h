#pragma once

#include <array>

namespace vantrel {

// The regression model number; it is the index of the checked Regression Type item.
enum class RegressionModel { Linear = 1, Logarithmic = 2, Exponential = 3, Power = 4 };

inline double unchanged(double value) {
    return value;
}

// Everything that tells one trend model from another. A new model is one more row of the table; the
// menu, the formula line, the command line, the fit and the trend all read the row. A field with a
// default can be left out of a row (rows are written with designated initialisers).
struct ModelInfo {
    RegressionModel id;
    const char* caption;         // the Regression Type item, with its access key
    const char* name;            // shown beside the formula line
    const char* formulaPrefix;   // the formula line up to and including "A = "
    const char* commandLineName; // vantrel-batch --model
    // The fit takes the least-squares line through (fitX(x), fitY(y)); its slope is B and
    // aOfIntercept(its intercept) is A. fitY may raise a run-time error for data it cannot take.
    double (*fitX)(double x) = unchanged;
    double (*fitY)(double y) = unchanged;
    double (*aOfIntercept)(double intercept) = unchanged;
    // fitY is a logarithm: data at or below zero cannot be fitted, and Linear stands in.
    bool logOfData = false;
    // The trend at x from the fitted coefficients, in the order the model's formula is written.
    double (*trend)(double a, double b, double x) = nullptr;
};

constexpr int kModelCount = 4;

const std::array<ModelInfo, kModelCount>& allModels();
const ModelInfo& modelInfo(RegressionModel model);

inline int modelNumber(RegressionModel model) {
    return static_cast<int>(model);
}

// Model number 1 to kModelCount.
inline RegressionModel modelWithNumber(int number) {
    return static_cast<RegressionModel>(number);
}

} // namespace vantrel
