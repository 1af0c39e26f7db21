#pragma once

#include "analysis/models.h"
#include "analysis/text_rules.h"

#include <array>
#include <cstdint>
#include <string>

namespace vantrel {

constexpr int kMaxPoints = 1500;
constexpr int kMinPoints = 10;
constexpr int kWaveCount = 10;

// Per-point series, indexed 1 to 1500 (element 0 is never used): point i is element i.
using Series = std::array<double, kMaxPoints + 1>;

// An ordered store of crossing positions or spacings, each already passed through the
// "0000.0000000000" text form. Sized for every crossing of a 1500-point series.
struct WorkingList {
    std::array<double, kMaxPoints> entries{};
    int count = 0;

    void clear() { count = 0; }
    void append(double value) { entries[count++] = value; }
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
    // How numbers are read from and written into texts: the desktop's decimal separator.
    NumberFormat format = NumberFormat::DecimalPoint;

    bool No_paste_yet = true;
    bool Data_ready = false;
    int16_t Data_count = 0;
    bool Nonpositive_data = false;
    uint8_t Decimals = 0;

    double Reg_A = 0.0;
    double Reg_B = 0.0;
    double BMA_RMS = 0.0;
    double Residual_RMS = 0.0;
    double Series_wavelength = 0.0;
    double BMA_wavelength = 0.0;

    Series Data_value{};
    Series Reg_value{};
    Series Osc_value{};
    Series Rem_value{};
    Series BMA_value{};
    std::array<Series, kWaveCount> Wave_value{}; // wave k at element k - 1
    Series Fwd_mean{};
    Series Bwd_mean{};

    WorkingList List2; // crossing positions of the averaged series
    WorkingList List4; // spacings of the list being measured

    // Indexed by the model number; element 0 stands for no model and stays empty.
    std::array<std::string, kModelCount + 1> Reg_name;
    std::array<std::string, kModelCount + 1> Reg_formula;

    // The waves' own numbers, for every view that reports a wave; wave k at element k - 1. Set as
    // each wave is taken, with its Wave_value.
    std::array<WaveResult, kWaveCount> Wave_result{};
};

// Fills Reg_formula and then Reg_name with the texts of every model.
void fillModelTexts(AnalysisState& state);

} // namespace vantrel
