#pragma once

#include "analysis/models.h"
#include "analysis/text_rules.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

// The window's rows: the points a paste keeps, and the least every series and table is sized for.
constexpr int kMaxPoints = 1500;
// The most points a run outside the window keeps.
constexpr int kLargestMaxPoints = 100000;
constexpr int kMinPoints = 10;
constexpr int kWaveCount = 10;

// Per-point series, indexed from 1 (element 0 is never used): point i is element i. Sized for
// seriesRows(points) points.
using Series = std::vector<double>;

// Points a series and the table are sized for: the window's 1500, or more for a longer series.
inline int seriesRows(int points) {
    return points > kMaxPoints ? points : kMaxPoints;
}

// An ordered store of crossing positions or spacings, each already passed through the
// "0000.0000000000" text form. A series of n points has at most n crossings.
struct WorkingList {
    std::vector<double> entries = std::vector<double>(kMaxPoints);
    int count = 0;

    void clear() { count = 0; }
    void append(double value) { entries[count++] = value; }
    // Room for the crossings of n points; allocates only when it grows.
    void sizeFor(int n) {
        if (static_cast<int>(entries.size()) < n) {
            entries.resize(static_cast<std::size_t>(n));
        }
    }
};

// A wave as it was taken: the d and i it was averaged with (i as read from its box, at most
// kMaxPasses) and the zero-crossing wavelength of the wave.
struct WaveResult {
    double d = 0.0;
    double i = 0.0;
    double wavelength = 0.0;
};

// Everything the analysis shares for the life of the program. The window owns one; the command
// line owns one; tests make their own.
struct AnalysisState {
    AnalysisState();

    // How numbers are read from and written into texts: the desktop's decimal separator.
    NumberFormat format = NumberFormat::DecimalPoint;
    // The most points a paste keeps (its last lines); the window's 1500 unless a run asks for more.
    int maxPoints = kMaxPoints;

    bool No_paste_yet = true;
    bool Data_ready = false;
    int Data_count = 0;
    bool Nonpositive_data = false;
    uint8_t Decimals = 0;

    double Reg_A = 0.0;
    double Reg_B = 0.0;
    double BMA_RMS = 0.0;
    double Residual_RMS = 0.0;
    double Series_wavelength = 0.0;
    double BMA_wavelength = 0.0;

    Series Data_value;
    Series Reg_value;
    Series Osc_value;
    Series Rem_value;
    Series BMA_value;
    std::array<Series, kWaveCount> Wave_value; // wave k at element k - 1
    Series Fwd_mean;
    Series Bwd_mean;

    WorkingList List2; // crossing positions of the averaged series
    WorkingList List4; // spacings of the list being measured

    // Indexed by the model number; element 0 stands for no model and stays empty.
    std::array<std::string, kModelCount + 1> Reg_name;
    std::array<std::string, kModelCount + 1> Reg_formula;

    // The waves' own numbers, for every view that reports a wave; wave k at element k - 1. Set as
    // each wave is taken, with its Wave_value.
    std::array<WaveResult, kWaveCount> Wave_result{};
};

// Sizes every series and working list for seriesRows(points) points. Values of points the size
// keeps stay; new ones are 0.
void sizeForPoints(AnalysisState& state, int points);

// Fills Reg_formula and then Reg_name with the texts of every model.
void fillModelTexts(AnalysisState& state);

} // namespace vantrel
