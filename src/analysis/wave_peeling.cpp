#include "analysis/wave_peeling.h"

#include "analysis/bma.h"
#include "analysis/d_search.h"
#include "analysis/runtime_error.h"
#include "analysis/text_rules.h"

#include <cmath>
#include <optional>
#include <thread>

namespace vantrel {

namespace {

double passesOf(const std::string& iText, NumberFormat format) {
    const double i = valueOfText(iText, format);
    return i > kMaxPasses ? static_cast<double>(kMaxPasses) : i;
}

void takeWave(AnalysisState& s, int wave, double d, double i) {
    Series& values = s.Wave_value[static_cast<std::size_t>(wave - 1)];
    for (int j = 1; j <= s.Data_count; ++j) {
        s.Rem_value[j] = checkedResult(s.Rem_value[j] - s.BMA_value[j], "taking a wave");
        values[j] = s.BMA_value[j];
    }
    s.Wave_result[static_cast<std::size_t>(wave - 1)] = {d, i, s.BMA_wavelength};
}

// The wavelength search, or what the second thread found for it, its steps shown now, in their place;
// `searchedBy` is then that thread. While the second thread searches, the idle lanes of this one
// average the guesses that search's rounds leave out.
template <typename OnStep>
double wavelengthSearch(AnalysisState& s, Averager& averager, WavelengthSearchThread* ahead, double i, double target,
                        OnStep showStep, WavelengthSearchThread*& searchedBy) {
    if (ahead != nullptr && ahead->startedWith(i)) {
        averager.guessAfterOtherSearch(i);
    }
    if (ahead != nullptr && ahead->finishedFor(s.Rem_value, i)) {
        for (double d : ahead->steps()) {
            showStep(d);
        }
        averager.adopt(ahead->d(), i, ahead->measures(), ahead->stats(), SearchStep{}.d);
        searchedBy = ahead;
        return ahead->d();
    }
    return searchD(averager, i, wavelengthMeasure(s, target), showStep);
}

// An error stops the run with the arrays of the last averaging, as they would stand had it been made.
double combinedDOf(Averager& averager, double dA, double dW, double x, double y, double t) {
    try {
        return combinedD(dA, dW, x, y, t);
    } catch (const RuntimeError&) {
        averager.settle();
        throw;
    }
}

void peelWave(AnalysisState& s, WaveObserver& observer, Averager& averager, WavelengthSearchThread* secondThread,
              int wave, const std::function<void(int)>& waveTaken) {
    const int box = wave - 1;
    observer.waveStarted(wave);
    const WaveModes modes = observer.modes();
    const auto showStep = [&observer, box](double d) { observer.searchStep(box, d); };
    const double target = wavelengthTarget(wave, s.Data_count);
    WavelengthSearchThread* ahead = modes.amplitude && modes.wavelength ? secondThread : nullptr;
    double d = 0.0; // the d and i the wave is taken with
    double i = 0.0;
    if (!modes.amplitude && !modes.wavelength) {
        d = valueOfText(observer.dText(box), s.format);
        i = passesOf(observer.iText(box), s.format);
        averager.run(d, i);
    }
    double x = 0.0;
    if (modes.amplitude) {
        observer.searchStarted(box, SearchKind::Amplitude);
        i = passesOf(observer.iText(box), s.format);
        if (ahead != nullptr && secondThreadPays(i, s.Data_count)) {
            ahead->start(s.Rem_value, i, target);
        }
        d = searchD(averager, i, amplitudeMeasure(s), showStep);
        x = s.BMA_wavelength;
        averager.keepArrays();
    }
    if (modes.wavelength) {
        observer.searchStarted(box, SearchKind::Wavelength);
        i = passesOf(observer.iText(box), s.format);
        if (modes.amplitude) {
            averager.memo().expectCombined(
                [dA = d, x, y = s.Series_wavelength, target](double dW, double& combined) {
                    try {
                        combined = combinedD(dA, dW, x, y, target);
                        return true;
                    } catch (const RuntimeError&) {
                        return false;
                    }
                },
                i);
        }
        WavelengthSearchThread* searchedBy = nullptr;
        const double dW = wavelengthSearch(s, averager, ahead, i, target, showStep, searchedBy);
        if (modes.amplitude) {
            d = combinedDOf(averager, d, dW, x, s.Series_wavelength, target);
            observer.combinedD(box, d);
            averager.run(d, i);
            if (searchedBy != nullptr) {
                averager.settleFrom(searchedBy->averager());
            }
        } else {
            d = dW;
        }
    }
    averager.settle();
    takeWave(s, wave, d, i);
    averager.forget();
    if (waveTaken) {
        waveTaken(wave);
    }
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

void Display_waves(AnalysisState& s, WaveObserver& observer, WaveRunStats* stats, const AveragingMode& mode,
                   const std::function<void(int)>& waveTaken) {
    WaveRunStats uncounted;
    for (int j = 1; j <= s.Data_count; ++j) {
        s.Rem_value[j] = s.Osc_value[j];
    }
    Averager averager(s, stats != nullptr ? *stats : uncounted, mode);
    // Declared after the averager: the thread uses its memo, and is joined before it goes.
    std::optional<WavelengthSearchThread> secondThread;
    if (mode.parallelSearches && std::thread::hardware_concurrency() >= 2) {
        secondThread.emplace(s.Data_count, averager.memo(), mode);
    }
    for (int wave = 1; wave <= kWaveCount; ++wave) {
        peelWave(s, observer, averager, secondThread ? &*secondThread : nullptr, wave, waveTaken);
    }
}

} // namespace vantrel
