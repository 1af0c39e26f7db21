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

struct Setting {
    const char* name;
    int model; // 1..4
    bool amplitude;
    bool wavelength;
    LastRun last;
    std::vector<QString> dTexts; // typed into the first boxes before the last run
    std::vector<QString> iTexts;
    bool comma = false;
};

void PrintTo(const Setting& s, std::ostream* os) {
    *os << s.name;
}

class BatchEquivalence : public WindowTest, public ::testing::WithParamInterface<Setting> {
protected:
    void SetUp() override {
        if (GetParam().comma) {
            QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        }
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
    const Setting& s = GetParam();
    std::string text = positiveColumn(90);
    if (s.comma) {
        std::replace(text.begin(), text.end(), '.', ',');
    }
    const std::string model = "mnuRegressionType" + std::to_string(s.model);
    if (!s.amplitude) {
        item("mnuRMSon")->trigger();
    }
    if (!s.wavelength) {
        item("mnuWavelengthOn")->trigger();
    }
    paste(text); // Regression Type is offered once a series is loaded
    if (s.last != LastRun::ModelSwitch && s.model != 1) {
        item(model)->trigger();
    }
    for (std::size_t n = 0; n < s.dTexts.size(); ++n) {
        typeAndLeave(m_window->txtDval(static_cast<int>(n)), s.dTexts[n]);
    }
    for (std::size_t n = 0; n < s.iTexts.size(); ++n) {
        typeAndLeave(m_window->txtIval(static_cast<int>(n)), s.iTexts[n]);
    }
    const char* const models[] = {"linear", "logarithmic", "exponential", "power"};
    const std::string separator = s.comma ? ";" : ",";
    const char* const onOff[] = {"off", "on"};
    std::vector<std::string> args = {"--cr",        "--formula",        "--model",      models[s.model - 1],
                                     "--amplitude", onOff[s.amplitude], "--wavelength", onOff[s.wavelength]};
    args.push_back("--d=" + boxTexts(true, separator));
    args.push_back("--i=" + boxTexts(false, separator));
    if (s.comma) {
        args.push_back("--decimal-comma");
    }
    if (s.last == LastRun::Paste) {
        paste(text);
    } else {
        item(s.last == LastRun::ModelSwitch ? model : "mnuUpdate")->trigger();
    }
    ASSERT_TRUE(m_messages.empty());
    item("mnuCopy")->trigger();

    std::istringstream in(text);
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(runBatch(args, in, out, err), 0) << err.str();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), out.str());
    // --formula writes the formula line, then the d values the searches found.
    EXPECT_EQ(err.str(), label("Label17")->text().toStdString() + "\nd = " + boxTexts(true, " ") + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Settings, BatchEquivalence,
    ::testing::Values(Setting{"Defaults", 1, true, true, LastRun::Paste, {}, {}},
                      Setting{"LogarithmicAmplitudeOnly", 2, true, false, LastRun::Paste, {}, {"4", "12"}},
                      Setting{"ExponentialWavelengthOnly", 3, false, true, LastRun::Paste, {}, {}},
                      Setting{"PowerManual", 4, false, false, LastRun::Paste, {"-1.5", "2", "0.25"}, {"3", "20"}},
                      Setting{"BoundedBoxes", 1, false, false, LastRun::Paste, {"150", "-1e400"}, {"2000", "0"}},
                      Setting{"SwitchToExponential", 3, true, false, LastRun::ModelSwitch, {}, {"5"}},
                      Setting{"SwitchToLogarithmicManual", 2, false, false, LastRun::ModelSwitch, {"2"}, {}},
                      Setting{"UpdateWavesManual", 1, false, false, LastRun::UpdateWaves, {"1.5", "-2"}, {"0", "5"}},
                      Setting{"UpdateWavesWavelength", 1, false, true, LastRun::UpdateWaves, {}, {"3"}},
                      Setting{"DecimalComma", 1, true, true, LastRun::Paste, {}, {}, true},
                      Setting{"DecimalCommaTyped", 4, false, false, LastRun::UpdateWaves, {"1,5"}, {"4"}, true}),
    [](const ::testing::TestParamInfo<Setting>& info) { return std::string(info.param.name); });

} // namespace
} // namespace vantrel::testing
