// The boxes, the switches, Update Waves, the model switch, the busy rule and the failure box.
#include "window_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <set>

namespace vantrel::testing {
namespace {

using ParameterBoxes = WindowTest;
using Commands = WindowTest;

TEST_F(ParameterBoxes, LeavingABoxRoundsAndBoundsIt) {
    const std::pair<const char*, const char*> iCases[] = {{"12.3", "12"},   {"0", "1"},   {"-5", "1"},
                                                          {"2000", "1024"}, {"abc", "1"}, {"0012", "12"}};
    for (const auto& [typed, shown] : iCases) {
        typeAndLeave(m_window->txtIval(3), QString::fromLatin1(typed));
        EXPECT_EQ(m_window->txtIval(3)->text(), QString::fromLatin1(shown)) << typed;
        EXPECT_EQ(QApplication::focusWidget(), m_window->txtIval(4));
    }
    const std::pair<const char*, const char*> dCases[] = {{"5", "5.00000"},      {"1.234567", "1.23457"},
                                                          {"-150", "-99.99999"}, {"letters", "0.00000"},
                                                          {"1e3", "99.99999"},   {"1e400", "99.99999"}};
    for (const auto& [typed, shown] : dCases) {
        typeAndLeave(m_window->txtDval(6), QString::fromLatin1(typed));
        EXPECT_EQ(m_window->txtDval(6)->text(), QString::fromLatin1(shown)) << typed;
    }
}

// Entering selects all, except a d box before the first paste (caret at the end); any paste, even a
// refused one, ends that rule. Leaving a box, even unchanged, offers Update Waves once a series is analysed.
TEST_F(ParameterBoxes, EnteringAndLeavingBeforeAndAfterTheFirstPaste) {
    QTest::keyClick(m_window->txtDval(0), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), m_window->txtDval(1));
    EXPECT_FALSE(m_window->txtDval(1)->hasSelectedText());
    EXPECT_EQ(m_window->txtDval(1)->cursorPosition(), 7);
    EXPECT_FALSE(isUpdateEnabled());
    m_window->txtIval(3)->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(m_window->txtIval(3)->selectedText(), QStringLiteral("8"));
    paste("1\r\n");
    m_window->txtDval(5)->setFocus(Qt::BacktabFocusReason);
    EXPECT_EQ(m_window->txtDval(5)->selectedText(), QStringLiteral("0.00000"));
    QTest::keyClick(m_window->txtDval(5), Qt::Key_Tab);
    EXPECT_FALSE(isUpdateEnabled());
    paste(positiveColumn(20));
    ASSERT_FALSE(isUpdateEnabled());
    m_window->txtIval(1)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(m_window->txtIval(1), Qt::Key_Tab);
    EXPECT_TRUE(isUpdateEnabled());
}

class FocusOutReasons : public QObject {
public:
    explicit FocusOutReasons(QWidget* box) { box->installEventFilter(this); }
    std::vector<Qt::FocusReason> seen;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::FocusOut) {
            seen.push_back(static_cast<QFocusEvent*>(event)->reason());
        }
        return false;
    }
};

// Focus that goes to a popup menu, the menu bar or another window comes back; the box was not left.
TEST_F(ParameterBoxes, OpeningAMenuOrAnotherWindowIsNotLeavingTheBox) {
    paste(positiveColumn(20));
    ParameterBox* box = m_window->txtDval(2);
    box->setFocus(Qt::TabFocusReason);
    item("mnuUpdate")->trigger(); // takes back the offer that moving here made
    ASSERT_FALSE(isUpdateEnabled());
    FocusOutReasons reasons(box);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, QStringLiteral("3.5"));
    box->setCursorPosition(1);

    QMenu* menu = item("mnuRegression")->menu();
    menu->popup(m_window->mapToGlobal(QPoint(400, 20)));
    QApplication::processEvents();
    ASSERT_TRUE(menu->isVisible());
    menu->close();
    QApplication::processEvents();
    EXPECT_EQ(reasons.seen, std::vector<Qt::FocusReason>{Qt::PopupFocusReason});
    EXPECT_EQ(QApplication::focusWidget(), box);
    EXPECT_EQ(box->cursorPosition(), 1);
    EXPECT_FALSE(box->hasSelectedText());

    QFocusEvent toBar(QEvent::FocusOut, Qt::MenuBarFocusReason);
    QApplication::sendEvent(box, &toBar);
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    m_window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    EXPECT_EQ(QApplication::focusWidget(), box);
    EXPECT_EQ(box->text(), QStringLiteral("3.5"));
    EXPECT_FALSE(isUpdateEnabled());

    QTest::keyClick(box, Qt::Key_Tab);
    EXPECT_EQ(box->text(), QStringLiteral("3.50000"));
    EXPECT_TRUE(isUpdateEnabled());
}

// Each switch shows the other item of its pair and offers Update Waves, which before any paste runs
// nothing and ends disabled.
TEST_F(Commands, SwitchesShowTheOtherItemOfTheirPairAndOfferUpdateWaves) {
    const std::pair<const char*, const char*> steps[] = {{"mnuRMSon", "mnuRMSoff"},
                                                         {"mnuRMSoff", "mnuRMSon"},
                                                         {"mnuWavelengthOn", "mnuWavelengthOff"},
                                                         {"mnuWavelengthOff", "mnuWavelengthOn"}};
    for (const auto& [chosen, shownInstead] : steps) {
        ASSERT_FALSE(isUpdateEnabled());
        item(chosen)->trigger();
        EXPECT_FALSE(item(chosen)->isVisible() || item(chosen)->isEnabled()) << chosen;
        EXPECT_TRUE(item(shownInstead)->isVisible() && item(shownInstead)->isEnabled()) << chosen;
        EXPECT_TRUE(isUpdateEnabled()) << chosen;
        item("mnuUpdate")->trigger();
        EXPECT_FALSE(isUpdateEnabled());
        EXPECT_FALSE(item("mnuRegression")->isEnabled());
        expectEnabled({"mnuExit", "mnuPaste", "mnuCopy", "mnuWaveAuto"}, true);
        EXPECT_TRUE(text(1, 4).isEmpty());
    }
    EXPECT_TRUE(m_messages.empty());
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

TEST_F(Commands, UpdateWavesTintsTheBoxesOfTheSearchesItRunsAndEnablesTheMenusAgain) {
    const QRgb amplitude = QColor(255, 223, 223).rgb();
    const QRgb wavelength = QColor(223, 255, 223).rgb();
    const QRgb white = QColor(Qt::white).rgb();
    const struct {
        bool amplitude;
        bool wavelength;
        std::set<QRgb> tints;
    } cases[] = {{true, true, {amplitude, wavelength, white}},
                 {true, false, {amplitude, white}},
                 {false, true, {wavelength, white}}};
    paste(positiveColumn(60));
    for (const auto& c : cases) {
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

// Manual mode: one averaging per wave with the typed values; the boxes are neither rewritten nor tinted.
TEST_F(Commands, BothSwitchesOffTakesEachWaveWithTheTypedValues) {
    const int n = 40;
    paste(positiveColumn(n));
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

class ModelSwitch : public WindowTest, public ::testing::WithParamInterface<int> {};

// The model's least-squares fit and trend, computed from the data independently of the program.
TEST_P(ModelSwitch, RerunsTheWholeAnalysisWithTheChosenModel) {
    const int model = GetParam();
    const bool logX = model == 2 || model == 4;
    const bool logY = model == 3 || model == 4;
    const char* const names[] = {"", "Linear", "Logarithmic", "Exponential", "Power"};
    const char* const prefixes[] = {"", "    Y = A + B \u00b7 X      A = ", "    Y = A + B \u00b7 ln X      A = ",
                                    "    Y = A \u00b7 e ^ (B \u00b7 X)      A = ", "    Y = A \u00b7 X ^ B      A = "};
    const int n = 50;
    const std::vector<double> values = positiveValues(n);
    paste(positiveColumn(n));
    typeAndLeave(m_window->txtIval(2), QStringLiteral("5"));
    ASSERT_TRUE(isUpdateEnabled());

    item("mnuRegressionType" + std::to_string(model))->trigger();

    EXPECT_TRUE(m_messages.empty());
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(item("mnuRegressionType" + std::to_string(k))->isChecked(), k == model) << k;
    }
    EXPECT_EQ(label("Label18")->text(), QString::fromLatin1(names[model]));
    EXPECT_TRUE(label("Label17")->text().startsWith(QString::fromUtf8(prefixes[model])));
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (int i = 1; i <= n; ++i) {
        const double x = logX ? std::log(i) : i;
        const double y = logY ? std::log(values[i - 1]) : values[i - 1];
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
    }
    const double b = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    const double a = logY ? std::exp((sy - b * sx) / n) : (sy - b * sx) / n;
    EXPECT_NEAR(m_window->state().Reg_A, a, 1e-9 * std::fabs(a));
    EXPECT_NEAR(m_window->state().Reg_B, b, 1e-9 * std::max(1.0, std::fabs(b)));
    for (int i = 1; i <= n; ++i) {
        const double x = logX ? std::log(i) : i;
        const double trend = model == 3 ? a * std::exp(b * i) : model == 4 ? a * std::pow(i, b) : a + b * x;
        EXPECT_NEAR(valueOf(text(i, 2)), trend, 5.1e-6) << i;
        EXPECT_NEAR(valueOf(text(i, 2)) + valueOf(text(i, 3)), values[i - 1], 1.1e-5) << i;
        EXPECT_FALSE(text(i, 14).isEmpty());
    }
    expectEnabled(kRunMenus, true);
    EXPECT_FALSE(isUpdateEnabled());
    EXPECT_TRUE(m_window->state().Data_ready);
}

INSTANTIATE_TEST_SUITE_P(EachModel, ModelSwitch, ::testing::Values(1, 2, 3, 4));

// ---- The busy rule ------------------------------------------------------------------------------

TEST_F(Commands, ModelChoiceDuringAPasteIsRefused) {
    paste(positiveColumn(300));
    ASSERT_TRUE(item("mnuRegression")->isEnabled());
    // Long enough for the run to let events in after its scan.
    for (int n = 0; n < kWaveCount; ++n) {
        m_window->txtIval(n)->setText(QStringLiteral("300"));
    }
    bool runningThen = false;
    bool checkedAfterClick = true;
    int progressCells = 0;
    QTimer::singleShot(0, m_window.get(), [&] {
        runningThen = m_window->isRunning();
        progressCells = m_window->strip()->boxCount();
        item("mnuRegressionType2")->trigger();
        checkedAfterClick = item("mnuRegressionType2")->isChecked();
    });
    paste(positiveColumn(300));
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
    expectEnabled(kRunMenus, true);
}

// Amplitude on, wavelength off: the searches of waves 1 to 9 pump events. The i box of wave 10 is set
// to 0 before wave 10 is reached: no averaging pass, so the wave takes all that is left.
TEST_F(Commands, BoxEditedDuringARunCountsForAWaveNotYetReached) {
    paste(positiveColumn(200));
    item("mnuWavelengthOn")->trigger();
    m_window->txtDval(9)->setText(QStringLiteral("0"));
    QTimer::singleShot(0, m_window.get(), [&] { m_window->txtIval(9)->setText(QStringLiteral("0")); });
    item("mnuUpdate")->trigger();
    ASSERT_TRUE(m_messages.empty());
    for (int row = 1; row <= 200; ++row) {
        ASSERT_EQ(valueOf(text(row, 14)), 0.0) << row;
    }
}

// ---- Failures and closing -----------------------------------------------------------------------

// Reported like a paste's run-time error; the series stays loaded, so another model can be chosen.
TEST_F(Commands, RunTimeErrorInAModelSwitchOrUpdateWavesIsReportedAndTheSeriesStaysLoaded) {
    paste(positiveColumn(30));
    item("mnuRMSon")->trigger();
    item("mnuWavelengthOn")->trigger();
    // A d value whose weight e^d no double can hold, typed and not yet left.
    m_window->txtDval(3)->setText(QStringLiteral("800"));
    item("mnuRegressionType2")->trigger();
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, nextFailure(kRuntimeReason));
    EXPECT_EQ(m_messages[0].icon, MessageIcon::Critical);
    EXPECT_TRUE(item("mnuRegressionType2")->isChecked());
    EXPECT_EQ(label("Label18")->text(), QStringLiteral("Logarithmic"));
    EXPECT_TRUE(m_window->state().Data_ready);
    expectEnabled(kRunMenus, true);
    EXPECT_TRUE(m_window->strip()->isBlank());
    // Waves 1 to 3 were taken before the error; wave 4 never was.
    EXPECT_FALSE(text(1, 6).isEmpty());

    m_window->txtDval(3)->setText(QStringLiteral("1e400"));
    typeAndLeave(m_window->txtIval(0), QStringLiteral("8"));
    item("mnuUpdate")->trigger();
    ASSERT_EQ(m_messages.size(), 2u);
    EXPECT_EQ(m_messages[1].text, nextFailure(kRuntimeReason));
    EXPECT_FALSE(isUpdateEnabled());
    expectEnabled(kRunMenus, true);

    m_window->txtDval(3)->setText(QStringLiteral("1"));
    item("mnuRegressionType1")->trigger();
    EXPECT_EQ(m_messages.size(), 2u);
    EXPECT_FALSE(text(1, 14).isEmpty());
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
    for (MessageIcon icon : {MessageIcon::Critical, MessageIcon::Exclamation}) {
        QMessageBox* shown = nullptr;
        QString title, body;
        QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
        qsizetype buttons = 0;
        Qt::TextFormat format = Qt::AutoText;
        QTimer::singleShot(0, [&] {
            shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(shown, nullptr);
            title = shown->windowTitle();
            body = shown->text();
            shownIcon = shown->icon();
            buttons = shown->buttons().size();
            format = shown->textFormat();
            shown->button(QMessageBox::Ok)->click();
        });
        sink.showFailure("Nice try, but...\r\n\r\nYou caused an <b>error</b>.", icon);
        EXPECT_EQ(title, QStringLiteral("The Vantrel"));
        EXPECT_EQ(body, QStringLiteral("Nice try, but...\n\nYou caused an <b>error</b>."));
        EXPECT_EQ(shownIcon, icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::Warning);
        EXPECT_EQ(buttons, 1);
        EXPECT_EQ(format, Qt::PlainText);
    }
}

} // namespace
} // namespace vantrel::testing
