// vantrel-batch promises the bytes that Copy puts on the clipboard after the same paste with the same
// model, switches and boxes; these tests hold the two to it.
#include "batch/batch.h"
#include "window_fixture.h"

#include <QClipboard>
#include <QGuiApplication>

#include <cmath>
#include <sstream>

namespace vantrel::testing {
namespace {

struct Setting {
    const char* name;
    int model; // 1..4
    bool amplitude;
    bool wavelength;
    std::vector<QString> dTexts; // typed into the first boxes
    std::vector<QString> iTexts;
};

void PrintTo(const Setting& s, std::ostream* os) {
    *os << s.name;
}

// LF-only, as spreadsheets copy.
std::string mixedSeries(int n, bool positive) {
    std::string text;
    for (int i = 1; i <= n; ++i) {
        const double v = (positive ? 20 : 0) + 0.1 * i + 4 * std::sin(i * 0.45) + 1.5 * std::cos(i * 1.7);
        text += std::to_string(std::round(v * 10000) / 10000) + "\n";
    }
    return text;
}

class BatchEquivalence : public WindowTest, public ::testing::WithParamInterface<Setting> {
protected:
    // The box texts go over as they stand in the window when Paste is chosen (an earlier run may have
    // written searched d values into the boxes the test did not type).
    std::string boxList(ParameterBox* (frmVantrel::*box)(int) const) const {
        std::string list;
        for (int n = 0; n < 10; ++n) {
            if (n > 0) {
                list += ',';
            }
            list += ((*m_window).*box)(n)->text().toStdString();
        }
        return list;
    }
};

TEST_P(BatchEquivalence, BatchWritesWhatCopyPutsOnTheClipboard) {
    const Setting& s = GetParam();
    const std::string text = mixedSeries(s.model >= 3 ? 120 : 90, s.model >= 3);
    if (s.model != 1) {
        paste(text); // Regression Type is offered once a series is loaded
        item("mnuRegressionType" + std::to_string(s.model))->trigger();
    }
    if (!s.amplitude) {
        item("mnuRMSon")->trigger();
    }
    if (!s.wavelength) {
        item("mnuWavelengthOn")->trigger();
    }
    for (size_t n = 0; n < s.dTexts.size(); ++n) {
        typeAndLeave(m_window->txtDval(static_cast<int>(n)), s.dTexts[n]);
    }
    for (size_t n = 0; n < s.iTexts.size(); ++n) {
        typeAndLeave(m_window->txtIval(static_cast<int>(n)), s.iTexts[n]);
    }
    const char* const models[] = {"linear", "logarithmic", "exponential", "power"};
    const std::vector<std::string> args = {"--cr",
                                           "--model",
                                           models[s.model - 1],
                                           "--amplitude",
                                           s.amplitude ? "on" : "off",
                                           "--wavelength",
                                           s.wavelength ? "on" : "off",
                                           "--d=" + boxList(&frmVantrel::txtDval),
                                           "--i=" + boxList(&frmVantrel::txtIval)};
    paste(text);
    ASSERT_TRUE(m_messages.empty());
    item("mnuCopy")->trigger();

    std::istringstream in(text);
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(runBatch(args, in, out, err), 0) << err.str();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), out.str());
}

INSTANTIATE_TEST_SUITE_P(
    Settings, BatchEquivalence,
    ::testing::Values(Setting{"Defaults", 1, true, true, {}, {}},
                      Setting{"LogarithmicAmplitudeOnly", 2, true, false, {}, {"4", "12"}},
                      Setting{"ExponentialWavelengthOnly", 3, false, true, {}, {}},
                      Setting{"PowerManual", 4, false, false, {"-1.5", "2", "0.25"}, {"3", "20"}},
                      Setting{"LinearManualBoundedBoxes", 1, false, false, {"150", "-1e400"}, {"2000", "0"}}),
    [](const ::testing::TestParamInfo<Setting>& info) { return std::string(info.param.name); });

} // namespace
} // namespace vantrel::testing
