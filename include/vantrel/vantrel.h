// The Vantrel's analysis as a C++ library: fit a trend to a series and peel ten waves off the
// oscillation around it. Plain types, no Qt; the same core the window and vantrel-batch run.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

inline constexpr int kWaves = 10;

enum class Model { Linear, Logarithmic, Exponential, Power };

// Every model, in the order of the window's Regression Type menu.
inline constexpr std::array<Model, 4> kModels{Model::Linear, Model::Logarithmic, Model::Exponential, Model::Power};

// The model's name as vantrel-batch's --model takes it ("linear", "power", ...), and the model of such
// a name (nothing for an unknown name).
const char* modelName(Model model);
std::optional<Model> modelNamed(std::string_view name);

// The settings of a run, as the window starts. Every number is taken as leaving its box would take
// it, within the same bounds: d with five decimals within -99.99999 to 99.99999, i a whole number
// within 1 to 999.
struct Options {
    Model model = Model::Linear;
    bool amplitude = true;          // the amplitude adjustment of the d values
    bool wavelength = true;         // the wavelength adjustment of the d values
    std::array<double, kWaves> d{}; // the typed d of wave k + 1, used when both adjustments are off
    std::array<double, kWaves> i{8, 8, 8, 8, 8, 8, 8, 8, 8, 8}; // passes of wave k + 1
    int maxPoints = 1500;                                       // the last maxPoints values are kept, 10 to 100000
};

// The columns of the result table as numbers, one element per point kept.
struct Decomposition {
    std::vector<double> data;
    std::vector<double> trend;
    std::vector<double> oscillation;
    std::vector<double> remainder;
    std::array<std::vector<double>, kWaves> waves; // wave k + 1
    Model model = Model::Linear;                   // after the fall back to Linear for data of zero or below
    double a = 0.0;
    double b = 0.0;
    std::array<double, kWaves> d{}; // the d each wave was taken with
    std::array<double, kWaves> i{}; // the passes each wave was taken with
};

// The series was refused as a paste is (too few values, a value that is not a finite number), or an
// option is out of reach (maxPoints beyond its bounds, a d or i that is not a finite number).
class RefusedError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The analysis met arithmetic it cannot carry out (an overflow, a logarithm of zero or below).
class AnalysisError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Runs the analysis on the values. Shares nothing between calls: calls on several threads at once
// are safe.
Decomposition decompose(std::span<const double> values, const Options& options = {});

// The long table of vantrel-batch --long, for data tools: its heading line, and the lines of one
// series (one a point: the series' name, the point number, data, trend, oscillation, the ten waves and
// the remainder, each number the shortest text that reads back as the same double; LF after each).
std::string longCsvHeading();
std::string longCsvRows(std::string_view series, const Decomposition& result);

} // namespace vantrel
