#include "window_fixture.h"

#include "app/parameter_box.h"
#include "app/progress_strip.h"
#include "app/random_source.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <set>

namespace vantrel::testing {
namespace {

using Commands = WindowTest;

const std::vector<const char*> kRunMenus = {"mnuExit", "mnuPaste", "mnuCopy", "mnuWaveAuto", "mnuRegression"};
const QColor kAmplitudeTint(255, 223, 223);
const QColor kWavelengthTint(223, 255, 223);

// The averaging as its header describes it, written out plainly.
std::vector<double> averaged(const std::vector<double>& series, double d, double passes) {
    const size_t n = series.size();
    const double w = std::exp(d);
    std::vector<double> b = series, forward(n), backward(n);
    for (int pass = 0; pass < static_cast<int>(std::floor(passes)); ++pass) {
        forward[0] = b[0];
        for (size_t k = 1; k < n; ++k) {
            forward[k] = (w * b[k] + forward[k - 1]) / (w + 1);
        }
        backward[n - 1] = b[n - 1];
        for (size_t k = n - 1; k-- > 0;) {
            backward[k] = (w * b[k] + backward[k + 1]) / (w + 1);
        }
        for (size_t k = 0; k < n; ++k) {
            b[k] = (backward[k] + forward[k]) / 2;
        }
    }
    return b;
}

// Remembers the back colours the d boxes are given.
class TintWatcher : public QObject {
public:
    explicit TintWatcher(const frmVantrel& window) {
        for (int n = 0; n < 10; ++n) {
            window.txtDval(n)->installEventFilter(this);
        }
    }
    std::set<QRgb> colours;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::PaletteChange) {
            colours.insert(static_cast<ParameterBox*>(watched)->backColour().rgb());
        }
        return false;
    }
};

TEST_F(Commands, SwitchesShowTheOtherItemOfTheirPairAndOfferUpdateWaves) {
    struct Step {
        const char* chosen;
        const char* shownInstead;
    };
    const Step steps[] = {{"mnuRMSon", "mnuRMSoff"},
                          {"mnuRMSoff", "mnuRMSon"},
                          {"mnuWavelengthOn", "mnuWavelengthOff"},
                          {"mnuWavelengthOff", "mnuWavelengthOn"}};
    for (const Step& step : steps) {
        ASSERT_FALSE(isUpdateEnabled());
        item(step.chosen)->trigger();
        EXPECT_FALSE(item(step.chosen)->isVisible()) << step.chosen;
        EXPECT_FALSE(item(step.chosen)->isEnabled()) << step.chosen;
        EXPECT_TRUE(item(step.shownInstead)->isVisible()) << step.chosen;
        EXPECT_TRUE(item(step.shownInstead)->isEnabled()) << step.chosen;
        EXPECT_TRUE(isUpdateEnabled()) << step.chosen;
        // Before any paste Update Waves runs nothing and ends disabled.
        item("mnuUpdate")->trigger();
        EXPECT_FALSE(isUpdateEnabled());
        EXPECT_FALSE(item("mnuRegression")->isEnabled());
        expectEnabled({"mnuExit", "mnuPaste", "mnuCopy", "mnuWaveAuto"}, true);
        EXPECT_TRUE(text(1, 4).isEmpty());
    }
    EXPECT_TRUE(m_messages.empty());
}

struct ModeCase {
    bool amplitude;
    bool wavelength;
    std::set<QRgb> tints;
};

TEST_F(Commands, UpdateWavesFollowsTheSwitches) {
    const QRgb white = QColor(Qt::white).rgb();
    const ModeCase cases[] = {
        {true, true, {kAmplitudeTint.rgb(), kWavelengthTint.rgb(), white}},
        {true, false, {kAmplitudeTint.rgb(), white}},
        {false, true, {kWavelengthTint.rgb(), white}},
        {false, false, {}},
    };
    paste(positiveColumn(60));
    ASSERT_TRUE(m_messages.empty());
    for (const ModeCase& c : cases) {
        if (item("mnuRMSon")->isVisible() != c.amplitude) {
            item(c.amplitude ? "mnuRMSoff" : "mnuRMSon")->trigger();
        }
        if (item("mnuWavelengthOn")->isVisible() != c.wavelength) {
            item(c.wavelength ? "mnuWavelengthOff" : "mnuWavelengthOn")->trigger();
        }
        typeAndLeave(m_window->txtIval(0), QStringLiteral("8"));
        ASSERT_TRUE(isUpdateEnabled());
        TintWatcher watcher(*m_window);
        item("mnuUpdate")->trigger();
        EXPECT_EQ(watcher.colours, c.tints) << c.amplitude << c.wavelength;
        EXPECT_FALSE(isUpdateEnabled());
        expectEnabled(kRunMenus, true);
        EXPECT_TRUE(m_window->strip()->isBlank());
    }
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(Commands, BothSwitchesOffTakesEachWaveWithTheTypedValues) {
    const int n = 40;
    paste(positiveColumn(n));
    ASSERT_TRUE(m_messages.empty());
    item("mnuRMSon")->trigger();
    item("mnuWavelengthOn")->trigger();
    const char* const dTexts[] = {"1.5", "0.25000", "-2", "3", "0", "1", "2", "0.5", "-1", "4"};
    const char* const iTexts[] = {"3", "2", "5", "1", "0", "8", "2", "4", "1", "2"};
    for (int box = 0; box < 10; ++box) {
        m_window->txtDval(box)->setText(QString::fromLatin1(dTexts[box]));
        m_window->txtIval(box)->setText(QString::fromLatin1(iTexts[box]));
    }
    TintWatcher watcher(*m_window);
    item("mnuUpdate")->trigger();
    ASSERT_TRUE(m_messages.empty());
    EXPECT_TRUE(watcher.colours.empty());

    std::vector<double> remainder(m_window->state().Osc_value.begin() + 1, m_window->state().Osc_value.begin() + n + 1);
    for (int wave = 1; wave <= 10; ++wave) {
        const std::vector<double> taken = averaged(remainder, std::atof(dTexts[wave - 1]), std::atof(iTexts[wave - 1]));
        for (int j = 0; j < n; ++j) {
            EXPECT_NEAR(valueOf(text(j + 1, 3 + wave)), taken[j], 5.1e-6) << "wave " << wave << " row " << j + 1;
            remainder[j] -= taken[j];
        }
        EXPECT_EQ(m_window->txtDval(wave - 1)->text(), QString::fromLatin1(dTexts[wave - 1]));
    }
    for (int j = 0; j < n; ++j) {
        EXPECT_NEAR(valueOf(text(j + 1, 14)), remainder[j], 5.1e-6);
    }
}

// The model's least-squares fit, computed from the data independently of the program.
std::pair<double, double> fitModel(int model, const std::vector<double>& values) {
    const bool logX = model == 2 || model == 4;
    const bool logY = model == 3 || model == 4;
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    const double n = static_cast<double>(values.size());
    for (size_t k = 0; k < values.size(); ++k) {
        const double x = logX ? std::log(k + 1.0) : k + 1.0;
        const double y = logY ? std::log(values[k]) : values[k];
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
    }
    const double b = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    const double intercept = (sy - b * sx) / n;
    return {logY ? std::exp(intercept) : intercept, b};
}

double trend(int model, double a, double b, int i) {
    switch (model) {
    case 1:
        return a + b * i;
    case 2:
        return a + b * std::log(i);
    case 3:
        return a * std::exp(b * i);
    default:
        return a * std::pow(i, b);
    }
}

class ModelSwitch : public WindowTest, public ::testing::WithParamInterface<int> {};

TEST_P(ModelSwitch, RerunsTheWholeAnalysisWithTheChosenModel) {
    const int model = GetParam();
    const char* const names[] = {"", "Linear", "Logarithmic", "Exponential", "Power"};
    const char* const prefixes[] = {"", "    Y = A + B \u00b7 X      A = ", "    Y = A + B \u00b7 ln X      A = ",
                                    "    Y = A \u00b7 e ^ (B \u00b7 X)      A = ", "    Y = A \u00b7 X ^ B      A = "};
    const int n = 50;
    const std::vector<double> values = positiveValues(n);
    paste(positiveColumn(n));
    ASSERT_TRUE(m_messages.empty());
    typeAndLeave(m_window->txtIval(2), QStringLiteral("5"));
    ASSERT_TRUE(isUpdateEnabled());

    item(("mnuRegressionType" + std::to_string(model)).c_str())->trigger();

    EXPECT_TRUE(m_messages.empty());
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(item(("mnuRegressionType" + std::to_string(k)).c_str())->isChecked(), k == model) << k;
    }
    EXPECT_EQ(label("Label18")->text(), QString::fromLatin1(names[model]));
    EXPECT_TRUE(label("Label17")->text().startsWith(QString::fromUtf8(prefixes[model])));
    const auto [a, b] = fitModel(model, values);
    EXPECT_NEAR(m_window->state().Reg_A, a, 1e-9 * std::fabs(a));
    EXPECT_NEAR(m_window->state().Reg_B, b, 1e-9 * std::max(1.0, std::fabs(b)));
    for (int i = 1; i <= n; ++i) {
        EXPECT_NEAR(valueOf(text(i, 2)), trend(model, a, b, i), 5.1e-6) << i;
        EXPECT_NEAR(valueOf(text(i, 2)) + valueOf(text(i, 3)), values[i - 1], 1.1e-5) << i;
        EXPECT_FALSE(text(i, 14).isEmpty());
    }
    expectEnabled(kRunMenus, true);
    EXPECT_FALSE(isUpdateEnabled());
    EXPECT_TRUE(m_window->state().Data_ready);
}

INSTANTIATE_TEST_SUITE_P(EachModel, ModelSwitch, ::testing::Values(1, 2, 3, 4));

TEST_F(Commands, ChoosingTheCheckedModelAgainRerunsIt) {
    paste(positiveColumn(30));
    m_window->txtDval(0)->setText(QStringLiteral("0.00000"));
    item("mnuRegressionType1")->trigger();
    EXPECT_TRUE(item("mnuRegressionType1")->isChecked());
    // The run wrote the found d back into the box.
    EXPECT_NE(m_window->txtDval(0)->text(), QStringLiteral("0.00000"));
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(Commands, ModelChoiceDuringAPasteIsRefused) {
    paste(positiveColumn(300));
    ASSERT_TRUE(m_messages.empty());
    ASSERT_TRUE(item("mnuRegression")->isEnabled());
    bool ran = false;
    bool runningThen = false;
    bool checkedAfterClick = true;
    int progressCells = 0;
    QTimer::singleShot(0, m_window.get(), [&] {
        ran = true;
        runningThen = m_window->isRunning();
        progressCells = m_window->strip()->boxCount();
        item("mnuRegressionType2")->trigger();
        checkedAfterClick = item("mnuRegressionType2")->isChecked();
    });
    paste(positiveColumn(300));
    ASSERT_TRUE(ran);
    EXPECT_TRUE(runningThen);
    EXPECT_GE(progressCells, 1);
    EXPECT_FALSE(checkedAfterClick);
    EXPECT_TRUE(item("mnuRegressionType1")->isChecked());
    EXPECT_FALSE(item("mnuRegressionType2")->isChecked());
    EXPECT_EQ(label("Label18")->text(), QStringLiteral("Linear"));
    EXPECT_TRUE(m_messages.empty());
    EXPECT_FALSE(m_window->isRunning());
}

TEST_F(Commands, UpdateWavesAndPasteDuringAModelSwitchAreRefused) {
    paste(positiveColumn(300));
    ASSERT_TRUE(m_messages.empty());
    bool ran = false;
    bool updateStillOffered = false;
    QTimer::singleShot(0, m_window.get(), [&] {
        ran = true;
        // The boxes stay usable during a model switch: leaving one offers Update Waves...
        typeAndLeave(m_window->txtIval(9), QStringLiteral("7"));
        // ...but choosing it while the run lasts starts nothing.
        item("mnuUpdate")->trigger();
        updateStillOffered = isUpdateEnabled();
        setClipboard("1\r\n2\r\n");
        m_window->mnuPaste_Click();
    });
    item("mnuRegressionType2")->trigger();
    ASSERT_TRUE(ran);
    EXPECT_TRUE(updateStillOffered);
    EXPECT_TRUE(isUpdateEnabled());
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(m_window->state().Data_count, 300);
    EXPECT_TRUE(m_window->state().Data_ready);
    EXPECT_EQ(m_window->txtIval(9)->text(), QStringLiteral("7"));
    expectEnabled(kRunMenus, true);
}

TEST_F(Commands, BoxEditedDuringARunCountsForAWaveNotYetReached) {
    paste(positiveColumn(200));
    item("mnuWavelengthOn")->trigger();
    m_window->txtDval(9)->setText(QStringLiteral("0"));
    m_window->txtIval(9)->setText(QStringLiteral("8"));
    item("mnuUpdate")->trigger();
    auto remainderIsZero = [this] {
        for (int row = 1; row <= 200; ++row) {
            if (valueOf(text(row, 14)) != 0) {
                return false;
            }
        }
        return true;
    };
    ASSERT_FALSE(remainderIsZero());
    // Amplitude on, wavelength off: the searches of waves 1 to 9 pump events. The i box of wave 10 is
    // set to 0 before wave 10 is reached: no averaging pass, so the wave takes all that is left.
    typeAndLeave(m_window->txtIval(0), QStringLiteral("8"));
    QTimer::singleShot(0, m_window.get(), [&] { m_window->txtIval(9)->setText(QStringLiteral("0")); });
    item("mnuUpdate")->trigger();
    ASSERT_TRUE(m_messages.empty());
    EXPECT_TRUE(remainderIsZero());
}

TEST_F(Commands, RunTimeErrorInAModelSwitchIsReportedAndTheSeriesStaysLoaded) {
    UniformRandomSource twin(kJokeSeed);
    paste(positiveColumn(30));
    ASSERT_TRUE(m_messages.empty());
    item("mnuRMSon")->trigger();
    item("mnuWavelengthOn")->trigger();
    // A d value whose weight e^d no double can hold, typed and not yet left.
    m_window->txtDval(3)->setText(QStringLiteral("800"));

    item("mnuRegressionType2")->trigger();
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, expectedFailure(static_cast<int>(10 * twin.next()) + 1, kRuntimeReason));
    EXPECT_EQ(m_messages[0].icon, MessageIcon::Critical);
    EXPECT_TRUE(item("mnuRegressionType2")->isChecked());
    EXPECT_EQ(label("Label18")->text(), QStringLiteral("Logarithmic"));
    EXPECT_TRUE(m_window->state().Data_ready);
    expectEnabled(kRunMenus, true);
    EXPECT_TRUE(m_window->strip()->isBlank());
    for (int box = 0; box < 10; ++box) {
        EXPECT_EQ(m_window->txtDval(box)->backColour(), QColor(Qt::white));
    }
    // Waves 1 to 3 were taken before the error; wave 4 never was.
    EXPECT_FALSE(text(1, 6).isEmpty());

    m_window->txtDval(3)->setText(QStringLiteral("1"));
    item("mnuRegressionType1")->trigger();
    EXPECT_EQ(m_messages.size(), 1u);
    EXPECT_FALSE(text(1, 14).isEmpty());
}

TEST_F(Commands, RunTimeErrorInUpdateWavesIsReported) {
    paste(positiveColumn(30));
    item("mnuRMSon")->trigger();
    item("mnuWavelengthOn")->trigger();
    m_window->txtDval(0)->setText(QStringLiteral("1e400"));
    item("mnuUpdate")->trigger();
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].icon, MessageIcon::Critical);
    EXPECT_TRUE(m_messages[0].text.ends_with(kRuntimeReason));
    EXPECT_TRUE(m_window->state().Data_ready);
    EXPECT_FALSE(isUpdateEnabled());
    expectEnabled(kRunMenus, true);
    EXPECT_TRUE(m_window->strip()->isBlank());
}

TEST_F(Commands, ClosingTheWindowDuringARunEndsItAtOnce) {
    bool closedThen = true;
    QTimer::singleShot(0, m_window.get(), [&] { closedThen = m_window->close(); });
    paste(positiveColumn(1500));
    EXPECT_FALSE(closedThen);
    EXPECT_FALSE(m_window->isVisible());
    EXPECT_FALSE(m_window->isRunning());
    EXPECT_TRUE(m_messages.empty());
    // The run stopped in its first wave.
    EXPECT_TRUE(text(1, 14).isEmpty());
}

TEST_F(Commands, ExitClosesTheWindow) {
    item("mnuExit")->trigger();
    EXPECT_FALSE(m_window->isVisible());
}

TEST(FailureMessageBox, IsModalWithTheCaptionOneOkButtonAndTheIcon) {
    QWidget owner;
    MessageBoxSink sink(&owner);
    QString title;
    QString shown;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    qsizetype buttons = 0;
    Qt::TextFormat format = Qt::AutoText;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        shown = box->text();
        icon = box->icon();
        buttons = box->buttons().size();
        format = box->textFormat();
        box->button(QMessageBox::Ok)->click();
    });
    sink.showFailure("Nice try, but...\r\n\r\nYou caused an error.\r\n\r\nTry again.", MessageIcon::Critical);
    EXPECT_EQ(title, QStringLiteral("The Vantrel"));
    EXPECT_EQ(shown, QStringLiteral("Nice try, but...\n\nYou caused an error.\n\nTry again."));
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(buttons, 1);
    EXPECT_EQ(format, Qt::PlainText);

    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        icon = box->icon();
        box->button(QMessageBox::Ok)->click();
    });
    sink.showFailure("x\r\n\r\ny", MessageIcon::Exclamation);
    EXPECT_EQ(icon, QMessageBox::Warning);
}

} // namespace
} // namespace vantrel::testing
