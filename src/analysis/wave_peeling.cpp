#include "analysis/wave_peeling.h"

#include "analysis/bma.h"
#include "analysis/d_search.h"
#include "analysis/runtime_error.h"
#include "analysis/text_rules.h"

#include <cmath>

namespace vantrel {

namespace {

double passesOf(const std::string& iText) {
    const double i = valueOfText(iText);
    return i > kMaxPasses ? kMaxPasses : i;
}

void takeWave(AnalysisState& s, ResultTable& table, int wave) {
    const int column = ResultTable::kFirstWaveColumn + wave - 1;
    for (int j = 1; j <= s.Data_count; ++j) {
        s.Rem_value[j] = checkedResult(s.Rem_value[j] - s.BMA_value[j], "taking a wave");
        table.setText(j, column, formatCell(s.BMA_value[j], s.Decimals));
    }
}

void peelWave(AnalysisState& s, ResultTable& table, WaveObserver& observer, Averager& averager, int wave) {
    const int box = wave - 1;
    observer.waveStarted(wave);
    const WaveModes modes = observer.modes();
    if (!modes.amplitude && !modes.wavelength) {
        averager.run(valueOfText(observer.dText(box)), passesOf(observer.iText(box)));
    }
    double dA = 0.0;
    double x = 0.0;
    double i = 0.0;
    if (modes.amplitude) {
        observer.searchStarted(box, SearchKind::Amplitude);
        i = passesOf(observer.iText(box));
        dA = searchD(averager, i, box, observer, [&s] { return s.Residual_RMS - s.BMA_RMS; });
        x = s.BMA_wavelength;
    }
    if (modes.wavelength) {
        observer.searchStarted(box, SearchKind::Wavelength);
        i = passesOf(observer.iText(box));
        const double target = wavelengthTarget(wave, s.Data_count);
        const double dW = searchD(averager, i, box, observer, [&s, target] { return s.BMA_wavelength - target; });
        if (modes.amplitude) {
            const double dC = combinedD(dA, dW, x, s.Series_wavelength, target);
            observer.combinedD(box, dC);
            averager.run(dC, i);
        }
    }
    takeWave(s, table, wave);
    averager.forget();
    observer.waveDone(wave);
}

} // namespace

double wavelengthTarget(int wave, int n) {
    return std::pow(4.0, (wave - 1) / 9.0) * std::pow(static_cast<double>(n), (10 - wave) / 9.0);
}

double combinedD(double dA, double dW, double x, double y, double t) {
    const double lnX = checkedLog(x, "the combined d");
    const double lnY = checkedLog(y, "the combined d");
    const double lnT = checkedLog(t, "the combined d");
    const double denominator = std::fabs(lnT - lnY) + std::fabs(lnX - lnY);
    if (denominator == 0) {
        return dA; // the wave's wavelength already meets the series'
    }
    return dA + std::fabs(lnX - lnY) * (dW - dA) / denominator;
}

WaveRunStats Display_waves(AnalysisState& s, ResultTable& table, WaveObserver& observer, const AveragingMode& mode) {
    WaveRunStats stats;
    for (int j = 1; j <= s.Data_count; ++j) {
        s.Rem_value[j] = s.Osc_value[j];
    }
    Averager averager(s, stats, mode);
    for (int wave = 1; wave <= kWaveCount; ++wave) {
        peelWave(s, table, observer, averager, wave);
    }
    for (int j = 1; j <= s.Data_count; ++j) {
        table.setText(j, ResultTable::kRemainderColumn, formatCell(s.Rem_value[j], s.Decimals));
    }
    return stats;
}

} // namespace vantrel
