#include <vantrel/vantrel.h>

#include "analysis/analysis_state.h"
#include "analysis/models.h"
#include "analysis/runtime_error.h"
#include "export/long_table.h"
#include "intake/intake.h"
#include "intake/messages.h"
#include "views/analysis_views.h"
#include "views/box_editing.h"

#include <charconv>
#include <cmath>
#include <memory>
#include <string>

namespace vantrel {

namespace {

// The public models are the model table's rows in order: Linear, model number 1, first.
static_assert(kModels.size() == kModelCount);

RegressionModel regressionModel(Model model) {
    return modelWithNumber(static_cast<int>(model) + 1);
}

Model publicModel(RegressionModel model) {
    return kModels[static_cast<std::size_t>(modelNumber(model) - 1)];
}

// The number as a user could type it: the shortest text that reads back as the same double.
std::string typedText(double value, const char* name, int wave) {
    if (!std::isfinite(value)) {
        throw RefusedError(std::string(name) + " of wave " + std::to_string(wave) + " is not a finite number");
    }
    char buffer[32];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, written.ptr);
}

// The box text an option leaves, brought into the run's bounds as a Paste brings it.
std::string dBoxOf(double d, int wave) {
    return clampDTextForRun(normaliseDText(typedText(d, "d", wave)));
}

std::string iBoxOf(double i, int wave) {
    return clampITextForRun(normaliseIText(typedText(i, "i", wave)));
}

// The boxes and switches of the options.
class OptionsObserver final : public AnalysisObserver {
public:
    explicit OptionsObserver(const Options& options) : m_modes{options.amplitude, options.wavelength} {
        for (int box = 0; box < kWaveCount; ++box) {
            m_dTexts[box] = dBoxOf(options.d[box], box + 1);
            m_iTexts[box] = iBoxOf(options.i[box], box + 1);
        }
    }

    WaveModes modes() override { return m_modes; }
    std::string iText(int box) override { return m_iTexts[box]; }
    std::string dText(int box) override { return m_dTexts[box]; }

private:
    WaveModes m_modes;
    std::array<std::string, kWaveCount> m_dTexts;
    std::array<std::string, kWaveCount> m_iTexts;
};

std::vector<double> pointsOf(const Series& series, int count) {
    return {series.begin() + 1, series.begin() + 1 + count};
}

Decomposition resultsOf(const AnalysisState& s, RegressionModel model) {
    Decomposition r;
    r.data = pointsOf(s.Data_value, s.Data_count);
    r.trend = pointsOf(s.Reg_value, s.Data_count);
    r.oscillation = pointsOf(s.Osc_value, s.Data_count);
    r.remainder = pointsOf(s.Rem_value, s.Data_count);
    for (int k = 0; k < kWaveCount; ++k) {
        r.waves[k] = pointsOf(s.Wave_value[k], s.Data_count);
        r.d[k] = s.Wave_result[static_cast<std::size_t>(k)].d;
        r.i[k] = s.Wave_result[static_cast<std::size_t>(k)].i;
    }
    r.model = publicModel(model);
    r.a = s.Reg_A;
    r.b = s.Reg_B;
    return r;
}

void checkMaxPoints(int maxPoints) {
    if (maxPoints < kMinPoints || maxPoints > kLargestMaxPoints) {
        throw RefusedError("maxPoints must be from 10 to 100000, not " + std::to_string(maxPoints));
    }
}

IntakeOutcome loaded(std::span<const double> values, AnalysisState& state, RegressionModel model) {
    try {
        const IntakeOutcome outcome = loadNumbers(values, state, model);
        if (outcome.result == IntakeResult::NotEnoughData) {
            throw RefusedError(notEnoughDataMessage());
        }
        return outcome;
    } catch (const NumberRefused& refused) {
        throw RefusedError(refused.what());
    }
}

} // namespace

const char* modelName(Model model) {
    return modelInfo(regressionModel(model)).commandLineName;
}

std::optional<Model> modelNamed(std::string_view name) {
    for (const Model model : kModels) {
        if (name == modelName(model)) {
            return model;
        }
    }
    return std::nullopt;
}

Decomposition decompose(std::span<const double> values, const Options& options) {
    checkMaxPoints(options.maxPoints);
    OptionsObserver observer(options);
    auto state = std::make_unique<AnalysisState>();
    state->maxPoints = options.maxPoints;
    const RegressionModel checked = regressionModel(options.model);
    const IntakeOutcome intake = loaded(values, *state, checked);
    const RegressionModel model = intake.fellBackToLinear ? RegressionModel::Linear : checked;
    try {
        runFullAnalysis(*state, model, observer);
    } catch (const RuntimeError&) {
        throw AnalysisError(runtimeErrorReason());
    }
    return resultsOf(*state, model);
}

std::string longCsvHeading() {
    return longTableHeading();
}

std::string longCsvRows(std::string_view series, const Decomposition& result) {
    LongColumns columns;
    columns.count = static_cast<int>(result.data.size());
    columns.data = result.data.data();
    columns.trend = result.trend.data();
    columns.oscillation = result.oscillation.data();
    for (int k = 0; k < kWaves; ++k) {
        columns.waves[k] = result.waves[static_cast<std::size_t>(k)].data();
    }
    columns.remainder = result.remainder.data();
    return longTableRows(series, columns);
}

} // namespace vantrel
