#include "analysis/wave_peeling.h"

#include "analysis/bma.h"
#include "analysis/runtime_error.h"
#include "analysis/text_rules.h"

#include <cmath>
#include <memory>

namespace vantrel {

namespace {

int signOf(double value) {
    return value > 0 ? 1 : (value < 0 ? -1 : 0);
}

// Runs the averaging of the running remainder, skipping a call whose arguments equal the previous
// one's: the remainder does not change within a wave, so the results would be identical. For the
// same reason the remainder's own measures are taken once per wave.
class Averager {
public:
    Averager(AnalysisState& state, WaveRunStats& stats) : m_state(state), m_stats(stats) {}

    void run(double d, double i) {
        ++m_stats.requestedCalls;
        if (m_valid && d == m_lastD && i == m_lastI) {
            return;
        }
        if (!m_seriesMeasured) {
            measureSeries(*m_seriesMeasures, m_state.Rem_value, m_state.Data_count);
            m_seriesMeasured = true;
        }
        m_valid = false;
        BMA_Calculation(m_state, m_state.Rem_value, d, i, *m_seriesMeasures);
        m_valid = true;
        m_lastD = d;
        m_lastI = i;
        ++m_stats.computedCalls;
        m_stats.passes += i >= 1 ? static_cast<long>(i) : 0;
    }

    // The remainder has changed.
    void forget() {
        m_valid = false;
        m_seriesMeasured = false;
    }

private:
    AnalysisState& m_state;
    WaveRunStats& m_stats;
    std::unique_ptr<SeriesMeasures> m_seriesMeasures = std::make_unique<SeriesMeasures>();
    bool m_seriesMeasured = false;
    bool m_valid = false;
    double m_lastD = 0.0;
    double m_lastI = 0.0;
};

double passesOf(const std::string& iText) {
    const double i = valueOfText(iText);
    return i > kMaxPasses ? kMaxPasses : i;
}

// The d search: full steps of 10 in the direction of the measure's sign, a tenth of the step at
// every change of sign, until the measure is 0, the step falls below 0.00001 or d reaches +-100.
template <typename Measure>
double searchD(Averager& averager, double i, int box, WaveObserver& observer, Measure measure) {
    double d = 0;
    double step = 10;
    bool done = false;
    averager.run(d, i);
    int previous = signOf(measure());
    do {
        averager.run(d, i);
        const int sign = signOf(measure());
        if (sign == -1 && sign == previous) {
            d = d - step;
        } else if (sign == -1 && sign != previous) {
            step = step / 10;
        } else if (sign == 0) {
            done = true;
        } else if (sign == 1 && sign == previous) {
            d = d + step;
        } else if (sign == 1 && sign != previous) {
            step = step / 10;
        }
        if (d <= -100 || d >= 100 || step < 0.00001) {
            done = true;
        }
        previous = sign;
        if (d >= 100) {
            d = 99.99999;
        }
        if (d <= -100) {
            d = -99.99999;
        }
        observer.searchStep(box, d);
    } while (!done);
    averager.run(d, i);
    return d;
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

WaveRunStats Display_waves(AnalysisState& s, ResultTable& table, WaveObserver& observer) {
    WaveRunStats stats;
    for (int j = 1; j <= s.Data_count; ++j) {
        s.Rem_value[j] = s.Osc_value[j];
    }
    Averager averager(s, stats);
    for (int wave = 1; wave <= kWaveCount; ++wave) {
        peelWave(s, table, observer, averager, wave);
    }
    for (int j = 1; j <= s.Data_count; ++j) {
        table.setText(j, ResultTable::kRemainderColumn, formatCell(s.Rem_value[j], s.Decimals));
    }
    return stats;
}

} // namespace vantrel
