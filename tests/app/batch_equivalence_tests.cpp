// vantrel-batch promises the bytes that Copy puts on the clipboard, the formula line and the d values
// the searches leave in the boxes, after the same run with the same model, switches and boxes; these
// tests hold the window to it, for each command that runs the analysis and both decimal separators.
#include "batch/batch.h"
#include "window_fixture.h"

#include <QClipboard>
#include <QGuiApplication>

#include <algorithm>
#include <cmath>
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

// LF-only, as spreadsheets copy.
std::string mixedSeries(int n, bool positive) {
    std::string text;
    for (int i = 1; i <= n; ++i) {
        const double v = (positive ? 20 : 0) + 0.1 * i + 4 * std::sin(i * 0.45) + 1.5 * std::cos(i * 1.7);
        text += std::to_string(std::round(v * 10000) / 10000) + "\n";
    }
    return text;
}

std::string withCommas(std::string text) {
    std::replace(text.begin(), text.end(), '.', ',');
    return text;
}

struct BatchRun {
    int code;
    std::string out;
    std::string err;
};

BatchRun batch(const std::vector<std::string>& args, const std::string& text) {
    std::istringstream in(text);
    std::ostringstream out;
    std::ostringstream err;
    const int code = runBatch(args, in, out, err);
    return {code, out.str(), err.str()};
}

class BatchEquivalence : public WindowTest, public ::testing::WithParamInterface<Setting> {
protected:
    void SetUp() override {
        if (GetParam().comma) {
            QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        }
        WindowTest::SetUp();
    }
    void TearDown() override {
        WindowTest::TearDown();
        QLocale::setDefault(m_systemLocale);
    }

    std::string boxes(ParameterBox* (frmVantrel::*box)(int) const, const std::string& separator) const {
        std::string list;
        for (int n = 0; n < 10; ++n) {
            if (n > 0) {
                list += separator;
            }
            list += ((*m_window).*box)(n)->text().toStdString();
        }
        return list;
    }

    void typeBoxes() {
        for (size_t n = 0; n < GetParam().dTexts.size(); ++n) {
            typeAndLeave(m_window->txtDval(static_cast<int>(n)), GetParam().dTexts[n]);
        }
        for (size_t n = 0; n < GetParam().iTexts.size(); ++n) {
            typeAndLeave(m_window->txtIval(static_cast<int>(n)), GetParam().iTexts[n]);
        }
    }

    // The window's boxes as they stand when the last run starts, as vantrel-batch options.
    std::vector<std::string> batchArgs() const {
        const Setting& s = GetParam();
        const char* const models[] = {"linear", "logarithmic", "exponential", "power"};
        const std::string separator = s.comma ? ";" : ",";
        std::vector<std::string> args = {"--cr",
                                         "--formula",
                                         "--model",
                                         models[s.model - 1],
                                         "--amplitude",
                                         s.amplitude ? "on" : "off",
                                         "--wavelength",
                                         s.wavelength ? "on" : "off",
                                         "--d=" + boxes(&frmVantrel::txtDval, separator),
                                         "--i=" + boxes(&frmVantrel::txtIval, separator)};
        if (s.comma) {
            args.push_back("--decimal-comma");
        }
        return args;
    }

    QLocale m_systemLocale;
};

TEST_P(BatchEquivalence, WindowShowsWhatBatchWrites) {
    const Setting& s = GetParam();
    const std::string pointText = mixedSeries(s.model >= 3 ? 120 : 90, s.model >= 3);
    const std::string text = s.comma ? withCommas(pointText) : pointText;
    const std::string model = "mnuRegressionType" + std::to_string(s.model);
    if (!s.amplitude) {
        item("mnuRMSon")->trigger();
    }
    if (!s.wavelength) {
        item("mnuWavelengthOn")->trigger();
    }
    std::vector<std::string> args;
    if (s.last == LastRun::Paste) {
        if (s.model != 1) {
            paste(text); // Regression Type is offered once a series is loaded
            item(model)->trigger();
        }
        typeBoxes();
        args = batchArgs();
        paste(text);
    } else {
        paste(text);
        if (s.last == LastRun::UpdateWaves && s.model != 1) {
            item(model)->trigger();
        }
        typeBoxes();
        args = batchArgs();
        item(s.last == LastRun::ModelSwitch ? model : "mnuUpdate")->trigger();
    }
    ASSERT_TRUE(m_messages.empty());
    item("mnuCopy")->trigger();

    const BatchRun run = batch(args, text);
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), run.out);
    const std::string formula = run.err.substr(0, run.err.find('\n'));
    EXPECT_EQ(label("Label17")->text().toStdString(), formula);
    EXPECT_EQ(label("Label18")->text().toLower().toStdString(), args[3]);
    EXPECT_EQ("d = " + boxes(&frmVantrel::txtDval, " ") + "\n", run.err.substr(formula.size() + 1));
    if (s.comma) {
        // The same column written with points, where points are written, gives the same table.
        args.pop_back();
        for (std::string& arg : args) {
            std::replace(arg.begin(), arg.end(), ',', '.');
            std::replace(arg.begin(), arg.end(), ';', ',');
        }
        EXPECT_EQ(run.out, withCommas(batch(args, pointText).out));
    }
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
