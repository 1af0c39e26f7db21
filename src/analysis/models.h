#pragma once

#include <array>

namespace vantrel {

// The regression model number; it is the index of the checked Regression Type item.
enum class RegressionModel { Linear = 1, Logarithmic = 2, Exponential = 3, Power = 4 };

// Everything that tells one trend model from another. A new model is one more row of the table and
// its trend; the menu, the formula line, the command line and the fit all read the row.
struct ModelInfo {
    RegressionModel id;
    const char* caption;         // the Regression Type item, with its access key
    const char* name;            // shown beside the formula line
    const char* formulaPrefix;   // the formula line up to and including "A = "
    const char* commandLineName; // vantrel-batch --model
    bool logOfData;              // fitted to ln Y, so the data must lie above zero
    bool logOfX;                 // fitted against ln X
    // The trend at x from the fitted coefficients, in the order the model's formula is written.
    double (*trend)(double a, double b, double x);
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
