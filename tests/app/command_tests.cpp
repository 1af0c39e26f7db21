// The boxes, the switches, Update Waves, the model switch, the busy rule and the failure box.
#include "app/chart_window.h"
#include "window_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <set>

namespace vantrel::testing {
namespace {

using ParameterBoxes = WindowTest;
using Commands = WindowTest;

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

// Focus that goes to a popup menu, the menu bar or another window comes back; the box was not left.
TEST_F(ParameterBoxes, OpeningAMenuOrAnotherWindowIsNotLeavingTheBox) {
    paste(positiveColumn(20));
    ParameterBox* box = m_window->txtDval(2);
    box->setFocus(Qt::TabFocusReason);
    item("mnuUpdate")->trigger(); // takes back the offer that moving here made
    ASSERT_FALSE(isUpdateEnabled());
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, QStringLiteral("3.5"));
    box->setCursorPosition(1);

    QMenu* menu = item("mnuRegression")->menu();
    menu->popup(m_window->mapToGlobal(QPoint(400, 20)));
    QApplication::processEvents();
    ASSERT_TRUE(menu->isVisible());
    menu->close();
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), box);
    EXPECT_EQ(box->cursorPosition(), 1);

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
                 {false, true, {wavelength, white}},
                 {true, true, {amplitude, wavelength, white}}};
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
}

// ---- The busy rule ------------------------------------------------------------------------------

// The chart may be opened and looked at while a run lasts; a model cannot be chosen.
TEST_F(Commands, ModelChoiceDuringAPasteIsRefusedAndChartStaysOffered) {
    paste(positiveColumn(300));
    ASSERT_TRUE(item("mnuRegression")->isEnabled());
    // Long enough for the run to let events in after its scan.
    for (int n = 0; n < kWaveCount; ++n) {
        m_window->txtIval(n)->setText(QStringLiteral("300"));
    }
    bool runningThen = false;
    bool checkedAfterClick = true;
    bool chartOffered = false;
    int progressCells = 0;
    QTimer::singleShot(0, m_window.get(), [&] {
        runningThen = m_window->isRunning();
        progressCells = m_window->strip()->boxCount();
        chartOffered = item("mnuChart")->isEnabled();
        item("mnuRegressionType2")->trigger();
        m_window->mnuRegressionType_Click(2); // as a click queued before the menus were disabled
        checkedAfterClick = item("mnuRegressionType2")->isChecked();
    });
    paste(positiveColumn(300));
    EXPECT_TRUE(runningThen);
    EXPECT_TRUE(chartOffered);
    EXPECT_GE(progressCells, 1);
    EXPECT_FALSE(checkedAfterClick);
    EXPECT_EQ(label("Label18")->text(), QStringLiteral("Linear"));
    EXPECT_FALSE(m_window->isRunning());
}

// Before a paste the chart says why it is empty; after it, it follows every run.
TEST_F(Commands, ChartShowsANoticeBeforeAPasteAndFollowsModelSwitchesAndUpdateWaves) {
    item("mnuChart")->trigger();
    auto* chart = m_window->findChild<ChartWindow*>();
    ASSERT_TRUE(chart != nullptr && chart->isVisible());
    EXPECT_FALSE(chart->content().notice.empty());
    for (const ChartStrip& strip : chart->content().strips) {
        EXPECT_TRUE(strip.values.empty());
    }
    m_window->activateWindow(); // the chart window took the focus; the boxes are typed into below
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    paste(positiveColumn(80));
    const ChartContent pasted = chart->content();
    EXPECT_TRUE(pasted.notice.empty());
    ASSERT_EQ(pasted.strips[kDataStrip].values.size(), 80u);
    EXPECT_EQ(pasted.strips[kDataStrip].values[0], m_window->state().Data_value[1]);
    EXPECT_EQ(pasted.strips[kDataStrip].overlay[79], m_window->state().Reg_value[80]);

    typeAndLeave(m_window->txtIval(0), QStringLiteral("3"));
    item("mnuUpdate")->trigger();
    const ChartContent updated = chart->content();
    EXPECT_EQ(updated.strips[kDataStrip].overlay, pasted.strips[kDataStrip].overlay);
    EXPECT_NE(updated.strips[kFirstWaveStrip].values, pasted.strips[kFirstWaveStrip].values);
    EXPECT_NE(updated.strips[kFirstWaveStrip].title, pasted.strips[kFirstWaveStrip].title);

    item("mnuRegressionType4")->trigger();
    EXPECT_NE(chart->content().strips[kDataStrip].overlay, updated.strips[kDataStrip].overlay);
    EXPECT_NE(chart->content().strips[kOscillationStrip].values, updated.strips[kOscillationStrip].values);
    EXPECT_EQ(chart->content().modelName, "Power");
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
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(m_window->state().Data_count, 300);
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
    EXPECT_EQ(label("Label18")->text(), QStringLiteral("Logarithmic"));
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
