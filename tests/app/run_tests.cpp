// The commands that run the analysis, end to end through the real clipboard: the columns, the
// failures, the boxes during a run, the tints, the busy rule and the chart that follows the runs.
#include "app/chart_window.h"
#include "app/run_view.h"
#include "window_fixture.h"

#include <QHeaderView>
#include <QWindow>

#include <set>

namespace vantrel::testing {
namespace {

const std::string kTooLarge = "The data being pasted is too large.\r\n\r\nYou can correct this by selecting -\r\n"
                              " - less data.\r\n - only 1 column of data.\r\n - only 1500 rows of data.";
const std::vector<const char*> kPasteMenus = {"mnuWaveAuto", "mnuExit", "mnuCopy", "mnuPaste"};

// The Data column is centred while its texts are integers. A column is as wide as its longest text at
// 96 twips a character (13 characters: 1248 twips, 83 px), at least the 1000 twips (67 px) it starts
// with. Data at or below zero rules out Exponential and Power and moves the check to Linear, also when
// the paste is refused.
TEST_F(WindowTest, PasteLoadsTheColumnFallsBackToLinearAndNoSecondRunStarts) {
    paste("1\r\n22\r\n333\r\n4444\r\n55555\r\n666666\r\n7777777\r\n88888888\r\n999999999\r\n1234567890123\r\n");
    expectEnabled(kRunMenus, true);
    const auto alignment = [this] {
        return m_window->gridModel()->index(0, 0).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
               Qt::AlignHorizontal_Mask;
    };
    const QHeaderView* header = m_window->grid()->horizontalHeader();
    EXPECT_EQ(alignment(), Qt::Alignment(Qt::AlignHCenter));
    EXPECT_TRUE(header->sectionSize(0) == 83 && header->sectionSize(13) == 83);
    EXPECT_EQ(m_window->grid()->verticalHeader()->width(), 67);
    for (const char* text : {"3\r\n1\r\n4\r\n1\r\n5\r\n9\r\n2\r\n6\r\n0\r\n3\r\n5\r\n", "-1\r\n2\r\n3\r\n"}) {
        paste(positiveColumn(12));
        EXPECT_TRUE(alignment() == Qt::AlignRight && header->sectionSize(0) == 67);
        item("mnuRegressionType3")->trigger();
        const QString formula = label("Label17")->text();
        paste(positiveColumn(12)); // a Paste fits the model checked
        ASSERT_TRUE(label("Label17")->text() == formula && label("Label18")->text() == QStringLiteral("Exponential"));
        paste(text);
        EXPECT_TRUE(item("mnuRegressionType1")->isChecked() && !item("mnuRegressionType3")->isChecked());
        EXPECT_EQ(label("Label18")->text(), QStringLiteral("Linear"));
        expectEnabled({"mnuRegressionType3", "mnuRegressionType4"}, false);
        EXPECT_TRUE(item("mnuRegressionType2")->isEnabled());
    }
    expectFailure(kNotEnoughData, MessageIcon::Exclamation); // the refused paste's, the other has none

    // While a paste runs, the chart may be opened and the strip shows the wave at work; no model can be
    // chosen, not even by a click queued before the menus were disabled. While a model switch runs, the
    // boxes stay usable, but neither Update Waves nor Paste starts.
    paste(positiveColumn(300));
    for (int n = 0; n < kWaveCount; ++n) { // long enough to let events in after the scan
        m_window->txtIval(n)->setText(QStringLiteral("300"));
    }
    bool updateStillOffered = false;
    QString progress;
    QTimer::singleShot(0, m_window.get(), [&] {
        EXPECT_TRUE(m_window->isRunning() && item("mnuChart")->isEnabled());
        progress = m_window->strip()->accessibleDescription();
        for (int n = 0; n < kWaveCount; ++n) { // the wave at work is the one whose d box is tinted
            EXPECT_EQ(m_window->txtDval(n)->backColour() != QColor(Qt::white),
                      progress == QStringLiteral("Wave %1 of 10").arg(n + 1));
        }
        expectEnabled(kPasteMenus, false);
        item("mnuRegressionType2")->trigger();
        m_window->mnuRegressionType_Click(2);
    });
    paste(positiveColumn(300));
    EXPECT_FALSE(progress.isEmpty()) << "no event came in during the run";
    EXPECT_TRUE(m_window->strip()->accessibleDescription().isEmpty()); // nothing stale to read out
    EXPECT_TRUE(!item("mnuRegressionType2")->isChecked() && label("Label18")->text() == QStringLiteral("Linear"));

    QTimer::singleShot(0, m_window.get(), [&] {
        typeAndLeave(m_window->txtIval(9), QStringLiteral("7"));
        item("mnuUpdate")->trigger();
        updateStillOffered = isUpdateEnabled();
        QGuiApplication::clipboard()->setText(QStringLiteral("1\r\n2\r\n"));
        m_window->mnuPaste_Click();
    });
    item("mnuRegressionType2")->trigger();
    EXPECT_TRUE(updateStillOffered && m_messages.empty());
    expectEnabled(kRunMenus, true);

    // A close asked for in the middle of a run ends the run at its next step, then the window and the chart.
    item("mnuChart")->trigger();
    bool closedWhileRunning = false;
    QTimer::singleShot(0, m_window.get(), [&] {
        closedWhileRunning = m_window->isRunning();
        m_window->windowHandle()->close(); // as the window system asks
    });
    paste(positiveColumn(1500));
    EXPECT_TRUE(closedWhileRunning);
    EXPECT_TRUE(text(1, 14).isEmpty()) << "the run went on to its end";
    EXPECT_FALSE(m_window->isVisible() || m_window->isRunning() || m_window->findChild<ChartWindow*>()->isVisible() ||
                 !m_messages.empty());
}

// Texts beyond the bounds are brought in before the clipboard is read, also when the paste then fails.
// Locking the boxes for a run moves the focus from box to box; those moves are not the user leaving
// them, and the box that had the focus gets it back, the caret where it was. A run-time error shows
// the critical icon, a refusal the exclamation one; after a refusal Update Waves has nothing to run on.
TEST_F(WindowTest, PasteBoxesAreBroughtInRangeAndLockedAndFailuresAreReported) {
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
    expectFailure(kRuntimeReason, MessageIcon::Critical);
    EXPECT_TRUE(text(1, 1).isEmpty());
    for (const auto& [box, before, after] : boxes) {
        EXPECT_EQ(box->text(), QString::fromLatin1(after)) << before;
    }
    EXPECT_TRUE(QApplication::focusWidget() == w.txtDval(3) && !w.txtDval(3)->hasSelectedText() &&
                w.txtDval(3)->cursorPosition() == 0);

    w.txtDval(9)->setText(QStringLiteral("0"));
    paste(positiveColumn(25));
    w.txtIval(6)->setText(QStringLiteral("4.4"));
    w.txtIval(5)->setFocus(Qt::TabFocusReason); // leaving the d box offers Update Waves...
    ASSERT_TRUE(isUpdateEnabled());
    paste(positiveColumn(25));
    EXPECT_EQ(w.txtIval(6)->text(), QStringLiteral("4.4"));
    // ...and the waves of the paste take the offer back.
    EXPECT_TRUE(m_messages.empty() && QApplication::focusWidget() == w.txtIval(5) && !isUpdateEnabled());

    typeAndLeave(w.txtIval(0), QStringLiteral("6")); // offers Update Waves; the refusals leave it so
    item("mnuChart")->trigger();
    const auto* chart = m_window->findChild<ChartWindow*>();
    for (const auto& [clipboardText, reason, dataShown] :
         {std::tuple{std::string(655361, '7'), kTooLarge, false}, {"1\r\n2\r\n", kNotEnoughData, true}}) {
        paste(clipboardText);
        expectFailure(reason, MessageIcon::Exclamation);
        // The chart says the paste was refused, not that a run failed; one too large leaves no Data.
        EXPECT_EQ(chart->content().notice, chartNoticeText(ChartNotice::Refused, dataShown));
        EXPECT_EQ(chart->content().strips[kDataStrip].values.empty(), !dataShown);
        EXPECT_TRUE(!item("mnuRegression")->isEnabled() && m_window->strip()->isBlank());
        expectEnabled(kPasteMenus, true);
    }
    ASSERT_TRUE(isUpdateEnabled());
    item("mnuUpdate")->trigger();
    EXPECT_TRUE(text(1, 14).isEmpty() && m_messages.empty());
    EXPECT_FALSE(isUpdateEnabled() || item("mnuRegression")->isEnabled());
}

// Remembers the back colours other than white the boxes are given.
struct TintWatcher : QObject {
    std::set<QRgb> colours;
    bool eventFilter(QObject* object, QEvent* event) override {
        const auto* box = qobject_cast<ParameterBox*>(object);
        if (box != nullptr && event->type() == QEvent::PaletteChange && box->backColour() != Qt::white) {
            colours.insert(box->backColour().rgb());
        }
        return false;
    }
};

// Before a paste the chart says why it is empty; after it, it follows every run. Each switch (its item
// names the state it ends) offers Update Waves; the run tints the d box of each search it makes
// (amplitude red, wavelength green) and ends with every box white again. A run-time error in a model
// switch is reported like a paste's; the series stays loaded. Exit closes the chart too.
TEST_F(WindowTest, ChartFollowsTheRunsSwitchesTintTheSearchesAndAFailedRunKeepsTheSeries) {
    m_window->txtIval(3)->setText(QStringLiteral("7")); // a wave not taken yet is titled as its boxes read
    item("mnuChart")->trigger();
    auto* chart = m_window->findChild<ChartWindow*>();
    ASSERT_TRUE(chart != nullptr && chart->isVisible());
    EXPECT_FALSE(chart->content().notice.empty());
    EXPECT_EQ(chart->content().strips[kFirstWaveStrip + 3].title, "Wave 4   d = 0.00000   i = 7");
    paste(positiveColumn(80));
    const ChartContent pasted = chart->content();
    ASSERT_TRUE(pasted.notice.empty() && pasted.strips[kDataStrip].values.size() == 80u);
    EXPECT_EQ(pasted.strips[kDataStrip].values[0], m_window->state().Data_value[1]);
    EXPECT_EQ(pasted.strips[kDataStrip].overlay[79], m_window->state().Reg_value[80]);
    m_window->txtIval(0)->setText(QStringLiteral("3"));
    const std::tuple<const char*, std::set<QRgb>> cases[] = {
        {"mnuWavelengthOn", {qRgb(255, 223, 223)}},
        {"mnuWavelengthOff", {qRgb(255, 223, 223), qRgb(223, 255, 223)}},
        {"mnuRMSon", {qRgb(223, 255, 223)}},
        {"mnuWavelengthOn", {}}};
    bool staleWaves = true; // the waves an Update Waves run is about to rewrite go as it starts
    QTimer::singleShot(0, m_window.get(),
                       [&] { staleWaves = !chart->content().strips[kRemainderStrip - 1].values.empty(); });
    for (const auto& [switchItem, tints] : cases) {
        item(switchItem)->trigger();
        ASSERT_TRUE(isUpdateEnabled()) << switchItem;
        TintWatcher watcher;
        QApplication::instance()->installEventFilter(&watcher);
        item("mnuUpdate")->trigger();
        EXPECT_EQ(watcher.colours, tints) << switchItem;
        EXPECT_TRUE(allDBoxesWhite() && !isUpdateEnabled() && m_window->strip()->isBlank());
        expectEnabled(kRunMenus, true);
    }
    EXPECT_FALSE(staleWaves);
    const ChartContent updated = chart->content();
    EXPECT_EQ(updated.strips[kDataStrip].overlay, pasted.strips[kDataStrip].overlay);
    EXPECT_NE(updated.strips[kFirstWaveStrip].values, pasted.strips[kFirstWaveStrip].values);
    // A taken wave is titled with the d and i it was taken with, whatever its boxes say since.
    const std::string takenTitle = "Wave 1   d = " + m_window->txtDval(0)->text().toStdString() + "   i = 3";
    m_window->txtIval(0)->setText(QStringLiteral("5"));
    chart->contentChanged();
    EXPECT_EQ(chart->content().strips[kFirstWaveStrip].title, takenTitle);
    item("mnuRegressionType4")->trigger();
    EXPECT_NE(chart->content().strips[kDataStrip].overlay, updated.strips[kDataStrip].overlay);
    EXPECT_EQ(chart->content().modelName, "Power");

    m_window->txtDval(3)->setText(QStringLiteral("800")); // both searches off: its weight e^d no double can hold
    item("mnuRegressionType2")->trigger();
    expectFailure(kRuntimeReason, MessageIcon::Critical);
    EXPECT_EQ(label("Label18")->text(), QStringLiteral("Logarithmic"));
    EXPECT_TRUE(allDBoxesWhite() && m_window->strip()->isBlank());
    expectEnabled(kRunMenus, true);
    // The chart keeps the Data alone, without its trend, and says why.
    const ChartContent failed = chart->content();
    EXPECT_EQ(failed.notice, chartNoticeText(ChartNotice::Failed, true));
    EXPECT_TRUE(failed.strips[kDataStrip].values.size() == 80 && failed.strips[kDataStrip].overlay.empty());
    EXPECT_TRUE(std::ranges::all_of(failed.strips | std::views::drop(kOscillationStrip),
                                    [](const ChartStrip& strip) { return strip.values.empty(); }));
    item("mnuExit")->trigger();
    EXPECT_FALSE(m_window->isVisible() || chart->isVisible());
}

// A run that fails in the middle of a search gives the tinted box its white back and clears the strip.
TEST(RunViewTest, AFailedRunWhitensTheSearchedBoxAndClearsTheStrip) {
    QWidget band;
    RunViewParts parts;
    for (int n = 0; n < kWaveCount; ++n) {
        parts.dBoxes[n] = new ParameterBox(BoxKind::D, n, &band);
    }
    parts.strip = new ProgressStrip(&band);
    RunView view(parts);
    view.waveStarted(3);
    view.searchStarted(2, SearchKind::Wavelength);
    ASSERT_EQ(parts.dBoxes[2]->backColour(), QColor(223, 255, 223));
    view.runFailed(RunFailure::Failed);
    EXPECT_EQ(parts.dBoxes[2]->backColour(), QColor(Qt::white));
    EXPECT_TRUE(parts.strip->isBlank());
}

} // namespace
} // namespace vantrel::testing
