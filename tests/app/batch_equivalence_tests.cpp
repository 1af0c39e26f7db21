// vantrel-batch promises the bytes that Copy puts on the clipboard, the formula line and the d values
// the searches leave in the boxes, after the same run with the same model, switches and boxes. Its
// reading of the options shares nothing with the window's reading of its menus and boxes, so these
// tests see the window's slips there: a switch, a box or a separator read wrongly, a command that runs
// another model or another part of the analysis.
#include "batch/batch.h"
#include "window_fixture.h"

#include <algorithm>
#include <sstream>

namespace vantrel::testing {
namespace {

// Name, model (1..4), amplitude and wavelength searches, the item that runs last, the texts typed into
// boxes before it, decimal comma.
using Typed = std::vector<std::pair<int, QString>>; // d boxes 0 to 9, i boxes 10 to 19
using Setting = std::tuple<const char*, int, bool, bool, const char*, Typed, bool>;

class BatchEquivalence : public WindowTest, public ::testing::WithParamInterface<Setting> {
protected:
    void SetUp() override {
        QLocale::setDefault(std::get<6>(GetParam()) ? QLocale(QLocale::German, QLocale::Germany) : m_systemLocale);
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
    const auto& [name, modelNumber, amplitude, wavelength, last, typed, comma] = GetParam();
    std::string text = positiveColumn(90);
    if (comma) {
        std::replace(text.begin(), text.end(), '.', ',');
    }
    const std::string model = "mnuRegressionType" + std::to_string(modelNumber);
    if (!amplitude) {
        item("mnuRMSon")->trigger();
    }
    if (!wavelength) {
        item("mnuWavelengthOn")->trigger();
    }
    paste(text); // Regression Type is offered once a series is loaded
    if (model != last && modelNumber != 1) {
        item(model)->trigger();
    }
    for (const auto& [box, typedText] : typed) {
        typeAndLeave(box < 10 ? m_window->txtDval(box) : m_window->txtIval(box - 10), typedText);
    }
    const char* const models[] = {"linear", "logarithmic", "exponential", "power"};
    const std::string separator = comma ? ";" : ",";
    std::vector<std::string> args = {"--cr",         "--formula",
                                     "--model",      models[modelNumber - 1],
                                     "--amplitude",  amplitude ? "on" : "off",
                                     "--wavelength", wavelength ? "on" : "off"};
    args.insert(args.end(), {"--d=" + boxTexts(true, separator), "--i=" + boxTexts(false, separator)});
    if (comma) {
        args.push_back("--decimal-comma");
    }
    item(last)->trigger(); // the clipboard still holds the series
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
        {"DecimalCommaDefaults", 1, true, true, "mnuPaste", {}, true},
        {"LogarithmicAmplitudeOnly", 2, true, false, "mnuPaste", {{10, "4"}, {11, "12"}}, false},
        {"PowerManual", 4, false, false, "mnuPaste", {{0, "-1.5"}, {1, "2"}, {11, "20"}}, false},
        {"BoundedBoxes", 1, false, false, "mnuPaste", {{0, "150"}, {1, "-1e400"}, {10, "2000"}, {11, "0"}}, false},
        {"SwitchToExponentialWavelengthOnly", 3, false, true, "mnuRegressionType3", {{10, "5"}}, false},
        {"UpdateWavesManualComma", 4, false, false, "mnuUpdate", {{0, "1,5"}, {9, "-2"}, {10, "0"}, {19, "4"}}, true}}),
    [](const auto& info) { return std::string(std::get<0>(info.param)); });

} // namespace
} // namespace vantrel::testing
