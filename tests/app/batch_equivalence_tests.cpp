// vantrel-batch promises the bytes that Copy puts on the clipboard after the same paste with the same
// model, switches and boxes; these tests hold the two to it.
#include "batch/batch.h"
#include "window_fixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>

#include <cmath>
#include <sstream>

namespace vantrel::testing {
namespace {

struct Setting {
    const char* name;
    int model; // 1..4
    bool amplitude;
    bool wavelength;
    std::vector<std::string> dTexts; // typed into the first boxes
    std::vector<std::string> iTexts;
};

void PrintTo(const Setting& s, std::ostream* os) {
    *os << s.name;
}

std::string mixedSeries(int n, bool positive) {
    std::string text;
    for (int i = 1; i <= n; ++i) {
        const double v = (positive ? 20 : 0) + 0.1 * i + 4 * std::sin(i * 0.45) + 1.5 * std::cos(i * 1.7);
        text += std::to_string(std::round(v * 10000) / 10000) + "\n"; // LF-only, as spreadsheets copy
    }
    return text;
}

std::string joined(const std::vector<std::string>& values) {
    std::string list;
    for (const std::string& v : values) {
        list += (list.empty() ? "" : ",") + v;
    }
    return list;
}

// The box texts go over as they stand in the window when Paste is chosen (an earlier run may have
// written searched d values into the boxes the test did not type).
std::vector<std::string> batchArguments(const Setting& s, const std::vector<std::string>& dBoxes,
                                        const std::vector<std::string>& iBoxes) {
    const char* const models[] = {"linear", "logarithmic", "exponential", "power"};
    return {"--model",      models[s.model - 1],         "--amplitude",           s.amplitude ? "on" : "off",
            "--wavelength", s.wavelength ? "on" : "off", "--d=" + joined(dBoxes), "--i=" + joined(iBoxes)};
}

std::string batchOutput(const std::vector<std::string>& args, const std::string& text) {
    std::istringstream in(text);
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runBatch(args, in, out, err), 0) << err.str();
    return out.str();
}

class BatchEquivalence : public WindowTest, public ::testing::WithParamInterface<Setting> {
protected:
    void chooseSetting(const Setting& s, const std::string& text) {
        if (s.model != 1) {
            paste(text); // Regression Type is offered once a series is loaded
            item(("mnuRegressionType" + std::to_string(s.model)).c_str())->trigger();
        }
        if (!s.amplitude) {
            item("mnuRMSon")->trigger();
        }
        if (!s.wavelength) {
            item("mnuWavelengthOn")->trigger();
        }
        typeBoxes("txtDval", s.dTexts);
        typeBoxes("txtIval", s.iTexts);
    }

    void typeBoxes(const char* kind, const std::vector<std::string>& texts) {
        for (size_t n = 0; n < texts.size(); ++n) {
            auto* box = m_window->findChild<QLineEdit*>(QString("%1%2").arg(kind).arg(n));
            ASSERT_NE(box, nullptr);
            typeAndLeave(box, QString::fromStdString(texts[n]));
        }
    }

    std::vector<std::string> boxTexts(const char* kind) const {
        std::vector<std::string> texts;
        for (int n = 0; n < 10; ++n) {
            texts.push_back(m_window->findChild<QLineEdit*>(QString("%1%2").arg(kind).arg(n))->text().toStdString());
        }
        return texts;
    }

    std::string copiedTable() {
        item("mnuCopy")->trigger();
        return QGuiApplication::clipboard()->text().toStdString();
    }
};

TEST_P(BatchEquivalence, BatchWritesWhatCopyPutsOnTheClipboard) {
    const Setting& s = GetParam();
    const std::string text = mixedSeries(s.model >= 3 ? 120 : 90, s.model >= 3);
    chooseSetting(s, text);
    const std::vector<std::string> args = batchArguments(s, boxTexts("txtDval"), boxTexts("txtIval"));
    paste(text);
    ASSERT_TRUE(m_messages.empty());
    EXPECT_EQ(copiedTable(), batchOutput(args, text));
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
