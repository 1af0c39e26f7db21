// The commands that run the analysis, end to end through the real clipboard: the columns, the
// failures, the boxes during a run, the tints, the busy rule and the chart that follows the runs.
#include "app/chart_window.h"
#include "window_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QTimer>

#include <set>

namespace vantrel::testing {
namespace {

using PasteCommand = WindowTest;
using Commands = WindowTest;

const std::vector<const char*> kPasteMenus = {"mnuWaveAuto", "mnuExit", "mnuCopy", "mnuPaste"};

// The Data column is centred while its texts are integers. A column is as wide as its longest text at
// 96 twips a character (13 characters: 1248 twips, 83 px), at least the 1000 twips (67 px) it starts
// with. Data at or below zero rules out Exponential and Power and moves the check to Linear, also when
// the paste is refused.
TEST_F(PasteCommand, LoadsTheColumnAndFallsBackToLinearOnDataAtOrBelowZero) {
    paste("1\r\n22\r\n333\r\n4444\r\n55555\r\n666666\r\n7777777\r\n88888888\r\n999999999\r\n1234567890123\r\n");
    ASSERT_TRUE(m_messages.empty());
    expectEnabled(kRunMenus, true);
    EXPECT_FALSE(isUpdateEnabled());
    EXPECT_TRUE(m_window->strip()->isBlank());
    const auto alignment = [this] {
        const QVariant role = m_window->gridModel()->data(m_window->gridModel()->index(0, 0), Qt::TextAlignmentRole);
        return role.value<Qt::Alignment>() & Qt::AlignHorizontal_Mask;
    };
    const QHeaderView* header = m_window->grid()->horizontalHeader();
    EXPECT_EQ(alignment(), Qt::Alignment(Qt::AlignHCenter));
    EXPECT_EQ(header->sectionSize(0), 83);
    EXPECT_EQ(header->sectionSize(13), 83);
    EXPECT_EQ(m_window->grid()->verticalHeader()->width(), 67);
    const std::string withZero = "3\r\n1\r\n4\r\n1\r\n5\r\n9\r\n2\r\n6\r\n0\r\n3\r\n5\r\n";
    for (const std::string& text : {withZero, std::string("-1\r\n2\r\n3\r\n")}) {
        paste(positiveColumn(12));
        EXPECT_EQ(alignment(), Qt::Alignment(Qt::AlignRight));
        EXPECT_EQ(header->sectionSize(0), 67);
        item("mnuRegressionType3")->trigger();
        ASSERT_EQ(label("Label18")->text(), QStringLiteral("Exponential"));
        paste(text);
        EXPECT_EQ(m_messages.size(), text == withZero ? 0u : 1u);
        EXPECT_TRUE(item("mnuRegressionType1")->isChecked() && !item("mnuRegressionType3")->isChecked());
        EXPECT_EQ(label("Label18")->text(), QStringLiteral("Linear"));
        EXPECT_TRUE(label("Label17")->text().startsWith(QStringLiteral("    Y = A + B \u00b7 X      A = ")));
        expectEnabled({"mnuRegressionType3", "mnuRegressionType4"}, false);
        EXPECT_TRUE(item("mnuRegressionType2")->isEnabled());
    }
}

// A refusal shows the exclamation icon, a run-time error the critical one; each message starts with
// the next joke drawn. The cleaned column of a refused paste stays on show, but nothing runs on it.
TEST_F(PasteCommand, RefusalsAndErrorsShowAJokeAndTheirReasonAndLeaveNothingToRun) {
    paste(positiveColumn(40));
    typeAndLeave(m_window->txtIval(0), QStringLiteral("6")); // offers Update Waves; the refusals leave it so
    const std::tuple<std::string, std::string, MessageIcon> cases[] = {
        {"", kRuntimeReason, MessageIcon::Critical},
        {std::string(655361, '7'), kTooLarge, MessageIcon::Exclamation},
        {"1\r\n2\r\n", kNotEnoughData, MessageIcon::Exclamation}};
    for (const auto& [clipboardText, reason, icon] : cases) {
        m_messages.clear();
        QGuiApplication::clipboard()->clear();
        clipboardText.empty() ? item("mnuPaste")->trigger() : paste(clipboardText);
        ASSERT_EQ(m_messages.size(), 1u);
        EXPECT_EQ(m_messages[0].text, nextFailure(reason));
        EXPECT_EQ(m_messages[0].icon, icon);
        EXPECT_FALSE(item("mnuRegression")->isEnabled());
        expectEnabled(kPasteMenus, true);
        EXPECT_TRUE(m_window->strip()->isBlank());
    }
    EXPECT_FALSE(text(2, 1).isEmpty());
    EXPECT_TRUE(text(2, 2).isEmpty());
    ASSERT_TRUE(isUpdateEnabled());
    item("mnuUpdate")->trigger();
    EXPECT_TRUE(text(1, 14).isEmpty());
    EXPECT_FALSE(isUpdateEnabled());
    EXPECT_FALSE(item("mnuRegression")->isEnabled());
    EXPECT_EQ(m_messages.size(), 1u);
}

// Texts beyond the bounds are brought in before the clipboard is read, also when the paste then fails.
// Locking the boxes for a run moves the focus from box to box; those moves are not the user leaving
// them, and the box that had the focus gets it back, the caret where it was.
TEST_F(PasteCommand, BoxesAreBroughtInRangeAndLockedWithoutBeingLeft) {
    frmVantrel& w = *m_window;
    // A d text no double can hold fails the paste after the boxes are locked and the first ones clamped.
    const std::tuple<ParameterBox*, const char*, const char*> boxes[] = {
        {w.txtDval(0), "-150", "-99.99999"}, {w.txtDval(1), "abc", "abc"}, {w.txtIval(0), "1000", "999"},
        {w.txtIval(1), "xy", "1"},           {w.txtDval(3), "5", "5"},     {w.txtIval(2), "2.6", "2.6"},
        {w.txtDval(9), "1e400", "1e400"}};
    for (const auto& [box, before, after] : boxes) {
        box->setText(QString::fromLatin1(before));
    }
    w.txtDval(3)->setFocus(Qt::TabFocusReason);
    w.txtDval(3)->setCursorPosition(0);
    paste(positiveColumn(12));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, nextFailure(kRuntimeReason));
    EXPECT_TRUE(text(1, 1).isEmpty());
    for (const auto& [box, before, after] : boxes) {
        EXPECT_EQ(box->text(), QString::fromLatin1(after)) << before;
    }
    EXPECT_EQ(QApplication::focusWidget(), w.txtDval(3));
    EXPECT_FALSE(w.txtDval(3)->hasSelectedText());
    EXPECT_EQ(w.txtDval(3)->cursorPosition(), 0);

    w.txtDval(9)->setText(QStringLiteral("0"));
    paste(positiveColumn(25));
    w.txtIval(6)->setText(QStringLiteral("4.4"));
    w.txtIval(5)->setFocus(Qt::TabFocusReason); // leaving the d box offers Update Waves...
    ASSERT_TRUE(isUpdateEnabled());
    paste(positiveColumn(25));
    EXPECT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(QApplication::focusWidget(), w.txtIval(5));
    EXPECT_EQ(w.txtIval(6)->text(), QStringLiteral("4.4"));
    EXPECT_FALSE(isUpdateEnabled()); // ...and the waves of the paste take the offer back
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

// Each switch (its item shows the state it ends) offers Update Waves; the run tints the d box of each search it makes
// (amplitude red, wavelength green) and ends with every box white again.
TEST_F(Commands, SwitchesOfferUpdateWavesWhichTintsTheBoxesOfItsSearches) {
    const QRgb amplitude = QColor(255, 223, 223).rgb();
    const QRgb wavelength = QColor(223, 255, 223).rgb();
    const std::tuple<const char*, std::set<QRgb>> cases[] = {{"mnuWavelengthOn", {amplitude}},
                                                             {"mnuRMSon", {}},
                                                             {"mnuWavelengthOff", {wavelength}},
                                                             {"mnuRMSoff", {amplitude, wavelength}}};
    paste(positiveColumn(60));
    for (const auto& [switchItem, tints] : cases) {
        item(switchItem)->trigger();
        ASSERT_TRUE(isUpdateEnabled()) << switchItem;
        TintWatcher watcher(*m_window);
        item("mnuUpdate")->trigger();
        watcher.colours.erase(QColor(Qt::white).rgb());
        EXPECT_EQ(watcher.colours, tints) << switchItem;
        for (int n = 0; n < 10; ++n) {
            EXPECT_EQ(m_window->txtDval(n)->backColour(), QColor(Qt::white)) << n;
        }
        EXPECT_FALSE(isUpdateEnabled());
        expectEnabled(kRunMenus, true);
        EXPECT_TRUE(m_window->strip()->isBlank());
    }
}

// While a paste runs, the chart may be opened and the strip shows the wave at work; no model can be
// chosen, not even by a click queued before the menus were disabled. While a model switch runs, the
// boxes stay usable, but neither Update Waves nor Paste starts.
TEST_F(Commands, NoSecondRunStartsWhileOneLasts) {
    paste(positiveColumn(300));
    for (int n = 0; n < kWaveCount; ++n) {
        m_window->txtIval(n)->setText(QStringLiteral("300")); // long enough to let events in after the scan
    }
    bool running = false, chartOffered = false, checkedAfterClick = true, updateStillOffered = false;
    QString progress;
    QTimer::singleShot(0, m_window.get(), [&] {
        running = m_window->isRunning();
        progress = m_window->strip()->accessibleDescription();
        chartOffered = item("mnuChart")->isEnabled();
        expectEnabled(kPasteMenus, false);
        item("mnuRegressionType2")->trigger();
        m_window->mnuRegressionType_Click(2);
        checkedAfterClick = item("mnuRegressionType2")->isChecked();
    });
    paste(positiveColumn(300));
    EXPECT_TRUE(running && chartOffered);
    EXPECT_TRUE(progress.startsWith(QStringLiteral("Wave ")) && progress.endsWith(QStringLiteral(" of 10")));
    EXPECT_FALSE(checkedAfterClick);
    EXPECT_EQ(label("Label18")->text(), QStringLiteral("Linear"));
    EXPECT_TRUE(m_window->strip()->accessibleDescription().isEmpty());

    QTimer::singleShot(0, m_window.get(), [&] {
        typeAndLeave(m_window->txtIval(9), QStringLiteral("7"));
        item("mnuUpdate")->trigger();
        updateStillOffered = isUpdateEnabled();
        QGuiApplication::clipboard()->setText(QStringLiteral("1\r\n2\r\n"));
        m_window->mnuPaste_Click();
    });
    item("mnuRegressionType2")->trigger();
    EXPECT_TRUE(updateStillOffered);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(m_window->state().Data_count, 300);
    expectEnabled(kRunMenus, true);
    EXPECT_FALSE(m_window->isRunning());
}

// Before a paste the chart says why it is empty; after it, it follows every run. A run-time error in a
// model switch or Update Waves is reported like a paste's, and the series stays loaded.
TEST_F(Commands, ChartFollowsTheRunsAndAFailedRunKeepsTheSeries) {
    item("mnuChart")->trigger();
    auto* chart = m_window->findChild<ChartWindow*>();
    ASSERT_TRUE(chart != nullptr && chart->isVisible());
    EXPECT_FALSE(chart->content().notice.empty());
    EXPECT_TRUE(chart->content().strips[kDataStrip].values.empty());
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

    item("mnuRMSon")->trigger();
    item("mnuWavelengthOn")->trigger();
    m_window->txtDval(3)->setText(QStringLiteral("800")); // its weight e^d no double can hold
    item("mnuRegressionType2")->trigger();
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, nextFailure(kRuntimeReason));
    EXPECT_EQ(label("Label18")->text(), QStringLiteral("Logarithmic"));
    expectEnabled(kRunMenus, true);
    EXPECT_TRUE(m_window->strip()->isBlank());
    EXPECT_FALSE(chart->content().notice.empty());
    EXPECT_FALSE(text(1, 6).isEmpty()); // waves 1 to 3 were taken before the error
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
    item("mnuExit")->trigger();
    EXPECT_FALSE(m_window->isVisible() || chart->isVisible());
}

} // namespace
} // namespace vantrel::testing
