// vantrel-batch promises the bytes that Copy puts on the clipboard, the formula line and the d values
// the searches leave in the boxes, after the same run with the same model, switches and boxes; these
// tests hold the window to it, for each command that runs the analysis and both decimal separators.
#include "batch/batch.h"
#include "window_fixture.h"

#include <algorithm>
#include <sstream>

namespace vantrel::testing {
namespace {

enum class LastRun { Paste, ModelSwitch, UpdateWaves };

// Name, model (1..4), amplitude and wavelength searches, the last run, the texts typed into the first
// d and i boxes before it, decimal comma.
using Setting = std::tuple<const char*, int, bool, bool, LastRun, std::vector<QString>, std::vector<QString>, bool>;

class BatchEquivalence : public WindowTest, public ::testing::WithParamInterface<Setting> {
protected:
    void SetUp() override {
        QLocale::setDefault(std::get<7>(GetParam()) ? QLocale(QLocale::German, QLocale::Germany) : m_systemLocale);
        WindowTest::SetUp();
    }
    void TearDown() override { QLocale::setDefault(m_systemLocale); }

    std::string boxTexts(bool dBoxes, const std::string& separator) const {
        std::string list;
        for (int n = 0; n < 10; ++n) {
            list +=
                (n > 0 ? separator : "") + (dBoxes ? m_window->txtDval(n) : m_window->txtIval(n))->text().toStdString();
        }
        return list;
    }

    QLocale m_systemLocale;
};

TEST_P(BatchEquivalence, WindowShowsWhatBatchWrites) {
    const auto& [name, modelNumber, amplitude, wavelength, last, dTexts, iTexts, comma] = GetParam();
    std::string text = positiveColumn(90);
    if (comma) {
        std::replace(text.begin(), text.end(), '.', ',');
    }
    const std::string model = "mnuRegressionType" + std::to_string(modelNumber);
    for (const auto& [on, offItem] : {std::pair{amplitude, "mnuRMSon"}, {wavelength, "mnuWavelengthOn"}}) {
        if (!on) {
            item(offItem)->trigger();
        }
    }
    paste(text); // Regression Type is offered once a series is loaded
    if (last != LastRun::ModelSwitch && modelNumber != 1) {
        item(model)->trigger();
    }
    for (std::size_t n = 0; n < dTexts.size(); ++n) {
        typeAndLeave(m_window->txtDval(static_cast<int>(n)), dTexts[n]);
    }
    for (std::size_t n = 0; n < iTexts.size(); ++n) {
        typeAndLeave(m_window->txtIval(static_cast<int>(n)), iTexts[n]);
    }
    const char* const models[] = {"linear", "logarithmic", "exponential", "power"};
    const std::string separator = comma ? ";" : ",";
    const char* const onOff[] = {"off", "on"};
    std::vector<std::string> args = {"--cr",        "--formula",      "--model",      models[modelNumber - 1],
                                     "--amplitude", onOff[amplitude], "--wavelength", onOff[wavelength]};
    args.insert(args.end(), {"--d=" + boxTexts(true, separator), "--i=" + boxTexts(false, separator)});
    if (comma) {
        args.push_back("--decimal-comma");
    }
    // The clipboard still holds the series.
    item(last == LastRun::Paste ? "mnuPaste" : last == LastRun::ModelSwitch ? model : "mnuUpdate")->trigger();
    ASSERT_TRUE(m_messages.empty());
    item("mnuCopy")->trigger();

    std::istringstream in(text);
    std::ostringstream out, err;
    ASSERT_EQ(runBatch(args, in, out, err), 0) << err.str();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), out.str());
    // --formula writes the formula line, then the d values the searches found.
    EXPECT_EQ(err.str(), label("Label17")->text().toStdString() + "\nd = " + boxTexts(true, " ") + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Settings, BatchEquivalence,
    ::testing::ValuesIn(std::vector<Setting>{
        {"Defaults", 1, true, true, LastRun::Paste, {}, {}, false},
        {"LogarithmicAmplitudeOnly", 2, true, false, LastRun::Paste, {}, {"4", "12"}, false},
        {"ExponentialWavelengthOnly", 3, false, true, LastRun::Paste, {}, {}, false},
        {"PowerManual", 4, false, false, LastRun::Paste, {"-1.5", "2", "0.25"}, {"3", "20"}, false},
        {"BoundedBoxes", 1, false, false, LastRun::Paste, {"150", "-1e400"}, {"2000", "0"}, false},
        {"SwitchToExponential", 3, true, false, LastRun::ModelSwitch, {}, {"5"}, false},
        {"SwitchToLogarithmicManual", 2, false, false, LastRun::ModelSwitch, {"2"}, {}, false},
        {"UpdateWavesManual", 1, false, false, LastRun::UpdateWaves, {"1.5", "-2"}, {"0", "5"}, false},
        {"UpdateWavesWavelength", 1, false, true, LastRun::UpdateWaves, {}, {"3"}, false},
        {"DecimalComma", 1, true, true, LastRun::Paste, {}, {}, true},
        {"DecimalCommaTyped", 4, false, false, LastRun::UpdateWaves, {"1,5"}, {"4"}, true}}),
    [](const auto& info) { return std::string(std::get<0>(info.param)); });

} // namespace
} // namespace vantrel::testing
