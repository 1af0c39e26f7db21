// The commands that run the analysis, end to end through the real clipboard: the columns, the
// failures, the boxes during a run, the tints, the busy rule and the chart that follows the runs.
#include "app/chart_window.h"
#include "window_fixture.h"

#include <QHeaderView>
#include <QMenu>
#include <QWindow>

#include <random>
#include <set>

namespace vantrel::testing {
namespace {

const std::vector<const char*> kPasteMenus = {"mnuWaveAuto", "mnuExit", "mnuCopy", "mnuPaste"};

// The Data column is centred while its texts are integers. A column is as wide as its longest text at
// 96 twips a character (13 characters: 1248 twips, 83 px), at least the 1000 twips (67 px) it starts
// with. Data at or below zero rules out Exponential and Power and moves the check to Linear, also when
// the paste is refused.
TEST_F(WindowTest, PasteLoadsTheColumnFallsBackToLinearAndNoSecondRunStarts) {
    paste("1\r\n22\r\n333\r\n4444\r\n55555\r\n666666\r\n7777777\r\n88888888\r\n999999999\r\n1234567890123\r\n");
    expectEnabled(kRunMenus, true);
    EXPECT_FALSE(isUpdateEnabled());
    const auto alignment = [this] {
        return m_window->gridModel()->index(0, 0).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
               Qt::AlignHorizontal_Mask;
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
    for (int n = 0; n < kWaveCount; ++n) {
        m_window->txtIval(n)->setText(QStringLiteral("300")); // long enough to let events in after the scan
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
    EXPECT_FALSE(item("mnuRegressionType2")->isChecked());
    EXPECT_EQ(label("Label18")->text(), QStringLiteral("Linear"));

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
    expectEnabled(kRunMenus, true);
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
    EXPECT_EQ(QApplication::focusWidget(), w.txtDval(3));
    EXPECT_FALSE(w.txtDval(3)->hasSelectedText());
    EXPECT_EQ(w.txtDval(3)->cursorPosition(), 0);

    w.txtDval(9)->setText(QStringLiteral("0"));
    paste(positiveColumn(25));
    w.txtIval(6)->setText(QStringLiteral("4.4"));
    w.txtIval(5)->setFocus(Qt::TabFocusReason); // leaving the d box offers Update Waves...
    ASSERT_TRUE(isUpdateEnabled());
    paste(positiveColumn(25));
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(QApplication::focusWidget(), w.txtIval(5));
    EXPECT_EQ(w.txtIval(6)->text(), QStringLiteral("4.4"));
    EXPECT_FALSE(isUpdateEnabled()); // ...and the waves of the paste take the offer back

    typeAndLeave(w.txtIval(0), QStringLiteral("6")); // offers Update Waves; the refusals leave it so
    for (const auto& [clipboardText, reason] :
         {std::pair{std::string(655361, '7'), kTooLarge}, {"1\r\n2\r\n", kNotEnoughData}}) {
        paste(clipboardText);
        expectFailure(reason, MessageIcon::Exclamation);
        EXPECT_FALSE(item("mnuRegression")->isEnabled());
        expectEnabled(kPasteMenus, true);
        EXPECT_TRUE(m_window->strip()->isBlank());
    }
    ASSERT_TRUE(isUpdateEnabled());
    item("mnuUpdate")->trigger();
    EXPECT_TRUE(text(1, 14).isEmpty());
    EXPECT_FALSE(isUpdateEnabled() || item("mnuRegression")->isEnabled());
    EXPECT_TRUE(m_messages.empty());
}

// Remembers the back colours other than white the d boxes are given.
struct TintWatcher : QObject {
    std::set<QRgb> colours;
    bool eventFilter(QObject* box, QEvent* event) override {
        if (event->type() == QEvent::PaletteChange && static_cast<ParameterBox*>(box)->backColour() != Qt::white) {
            colours.insert(static_cast<ParameterBox*>(box)->backColour().rgb());
        }
        return false;
    }
};

// Before a paste the chart says why it is empty; after it, it follows every run. Each switch (its item
// names the state it ends) offers Update Waves; the run tints the d box of each search it makes
// (amplitude red, wavelength green) and ends with every box white again. A run-time error in a model
// switch is reported like a paste's; the series stays loaded. Exit closes the chart too.
TEST_F(WindowTest, ChartFollowsTheRunsSwitchesTintTheSearchesAndAFailedRunKeepsTheSeries) {
    item("mnuChart")->trigger();
    auto* chart = m_window->findChild<ChartWindow*>();
    ASSERT_TRUE(chart != nullptr && chart->isVisible());
    EXPECT_FALSE(chart->content().notice.empty());
    paste(positiveColumn(80));
    const ChartContent pasted = chart->content();
    EXPECT_TRUE(pasted.notice.empty());
    ASSERT_EQ(pasted.strips[kDataStrip].values.size(), 80u);
    EXPECT_EQ(pasted.strips[kDataStrip].values[0], m_window->state().Data_value[1]);
    EXPECT_EQ(pasted.strips[kDataStrip].overlay[79], m_window->state().Reg_value[80]);
    m_window->txtIval(0)->setText(QStringLiteral("3"));
    const std::tuple<const char*, std::set<QRgb>> cases[] = {
        {"mnuWavelengthOn", {qRgb(255, 223, 223)}},
        {"mnuWavelengthOff", {qRgb(255, 223, 223), qRgb(223, 255, 223)}},
        {"mnuRMSon", {qRgb(223, 255, 223)}},
        {"mnuWavelengthOn", {}}};
    for (const auto& [switchItem, tints] : cases) {
        item(switchItem)->trigger();
        ASSERT_TRUE(isUpdateEnabled()) << switchItem;
        TintWatcher watcher;
        for (int n = 0; n < 10; ++n) {
            m_window->txtDval(n)->installEventFilter(&watcher);
        }
        item("mnuUpdate")->trigger();
        EXPECT_EQ(watcher.colours, tints) << switchItem;
        for (int n = 0; n < 10; ++n) {
            EXPECT_EQ(m_window->txtDval(n)->backColour(), QColor(Qt::white)) << n;
        }
        EXPECT_FALSE(isUpdateEnabled());
        expectEnabled(kRunMenus, true);
        EXPECT_TRUE(m_window->strip()->isBlank());
    }
    const ChartContent updated = chart->content();
    EXPECT_EQ(updated.strips[kDataStrip].overlay, pasted.strips[kDataStrip].overlay);
    EXPECT_NE(updated.strips[kFirstWaveStrip].values, pasted.strips[kFirstWaveStrip].values);
    // A taken wave is titled with the d and i it was taken with, whatever its boxes say since.
    const std::string takenTitle = "Wave 1   d = " + m_window->txtDval(0)->text().toStdString() + "   i = 3";
    m_window->txtIval(0)->setText(QStringLiteral("5"));
    EXPECT_EQ(chart->content().strips[kFirstWaveStrip].title, takenTitle);
    m_window->txtIval(0)->setText(QStringLiteral("3"));
    item("mnuRegressionType4")->trigger();
    EXPECT_NE(chart->content().strips[kDataStrip].overlay, updated.strips[kDataStrip].overlay);
    EXPECT_EQ(chart->content().modelName, "Power");

    m_window->txtDval(3)->setText(QStringLiteral("800")); // both searches off: its weight e^d no double can hold
    item("mnuRegressionType2")->trigger();
    expectFailure(kRuntimeReason, MessageIcon::Critical);
    EXPECT_EQ(label("Label18")->text(), QStringLiteral("Logarithmic"));
    for (int n = 0; n < 10; ++n) {
        EXPECT_EQ(m_window->txtDval(n)->backColour(), QColor(Qt::white)) << n;
    }
    expectEnabled(kRunMenus, true);
    EXPECT_TRUE(m_window->strip()->isBlank());
    // The chart keeps the Data alone, and says why.
    EXPECT_FALSE(chart->content().notice.empty());
    for (int strip = kOscillationStrip; strip <= kRemainderStrip; ++strip) {
        EXPECT_TRUE(chart->content().strips[strip].values.empty()) << strip;
    }
    // A refused paste says so, not that a run failed.
    paste("1\r\n2\r\n");
    expectFailure(kNotEnoughData, MessageIcon::Exclamation);
    EXPECT_EQ(chart->content().notice, chartNoticeText(ChartNotice::Refused, true));
    item("mnuExit")->trigger();
    EXPECT_FALSE(m_window->isVisible() || chart->isVisible());
}

// ---- Event storms ---------------------------------------------------------------------------------

// Seeded storms of menu choices, focus changes, typing and clicks, delivered through the event pump of
// long runs: the busy rule refuses what would start a second run, and the table comes out as without
// the storm.
//
// What a storm may change, and why the tables still compare: it chooses only the menu items a user
// could reach (enabled, so shown, in an enabled menu), so during a run only the commands that the busy rule
// refuses; it types only into the d boxes, which both adjustments search and never read; focus
// changes rewrite the i boxes in their own canonical form, so they keep their values. A stormy Paste
// (boxes locked) is compared with the quiet Paste before it, a stormy model switch with the same
// switch made quietly after it.

const char* const kItems[] = {
    "mnuPaste",           "mnuCopy",  "mnuUpdate", "mnuRegressionType1", "mnuRegressionType2", "mnuRegressionType3",
    "mnuRegressionType4", "mnuRMSon", "mnuRMSoff", "mnuWavelengthOn",    "mnuWavelengthOff",   "mnuExit"};
const Qt::Key kKeys[] = {Qt::Key_1,         Qt::Key_9,   Qt::Key_Period,  Qt::Key_Minus,  Qt::Key_E,     Qt::Key_Home,
                         Qt::Key_Backspace, Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Return, Qt::Key_Escape};

class EventStorm : public WindowTest, public ::testing::WithParamInterface<unsigned> {
protected:
    // One to three things a user may do: choose a menu item within reach, move the focus to a box, press
    // a key in a d box, click into the grid; or, at the chosen burst, ask the window to close.
    void burst() {
        if (m_bursts == m_closingBurst) {
            GetParam() % 2 == 1 ? m_window->windowHandle()->close() : m_window->close(); // odd seeds: window system
            return;
        }
        for (unsigned n = 1 + m_random() % 3; n > 0; --n) {
            QAction* chosen = item(kItems[m_random() % std::size(kItems)]);
            const auto* menu = qobject_cast<QMenu*>(chosen->parent());
            ParameterBox* box =
                m_random() % 2 ? m_window->txtDval(m_random() % 10) : m_window->txtIval(m_random() % 10);
            const unsigned action = m_random() % 4;
            if (action == 0 && chosen->isEnabled() && (!menu || menu->menuAction()->isEnabled())) {
                chosen->trigger();
            } else if (action == 1) {
                box->setFocus(static_cast<Qt::FocusReason>(m_random() % 4)); // by mouse, Tab, Backtab or window
            } else if (action == 2 && box->kind() == BoxKind::D) {
                box->setFocus(Qt::TabFocusReason);
                QTest::keyClick(box, kKeys[m_random() % std::size(kKeys)]);
            } else if (action == 3) {
                QTest::mouseClick(m_window->grid()->viewport(), Qt::LeftButton, {},
                                  QPoint(static_cast<int>(m_random() % 300), static_cast<int>(m_random() % 200)));
            }
        }
    }

    // Runs the command, in a storm if `stormy`: a burst at every pass of the event pump while a run
    // lasts. Returns the Copy text after it and how often each grid column was refreshed during it: a
    // second run would have refreshed columns again.
    std::pair<QString, std::array<int, 14>> record(const std::function<void()>& command, bool stormy) {
        std::array<int, 14> refreshes{};
        const auto counting = QObject::connect(m_window->gridModel(), &QAbstractItemModel::dataChanged,
                                               [&](const QModelIndex& from) { ++refreshes[from.column()]; });
        QTimer storm;
        bool inBurst = false;
        QObject::connect(&storm, &QTimer::timeout, [&] {
            if (stormy && !inBurst && m_window->isRunning()) {
                inBurst = true;
                burst();
                ++m_bursts;
                inBurst = false;
            }
        });
        storm.start(0);
        command();
        QObject::disconnect(counting);
        EXPECT_TRUE(m_messages.empty());
        item("mnuCopy")->trigger();
        return {QGuiApplication::clipboard()->text(), refreshes};
    }

    std::mt19937 m_random{GetParam()};
    int m_bursts = 0;
    int m_closingBurst = -1;
};

// A close request from the program or from the window system in the middle of a stormy run ends the
// run and the program's event loop.
TEST_P(EventStorm, IsRefusedOrChangesNothingOfTheTableAndACloseEndsTheProgram) {
    for (int n = 0; n < 10; ++n) {
        // Passes per averaging: with both searches on 1500 points, a run pumps events some fifty times.
        m_window->txtIval(n)->setText(QStringLiteral("100"));
    }
    const std::string column = positiveColumn(1500); // Copy takes the clipboard: each Paste puts it back
    const auto quietPaste = record([&] { paste(column); }, false);
    EXPECT_TRUE(record([&] { paste(column); }, true) == quietPaste);
    const int pasteBursts = m_bursts;
    EXPECT_GE(pasteBursts, 3);
    const auto stormySwitch = record([&] { item("mnuRegressionType2")->trigger(); }, true);
    EXPECT_TRUE(record([&] { item("mnuRegressionType2")->trigger(); }, false) == stormySwitch);
    EXPECT_GE(m_bursts - pasteBursts, 3);
    EXPECT_TRUE(stormySwitch.first != quietPaste.first) << "the model switch changed nothing";

    m_closingBurst = m_bursts + static_cast<int>(m_random() % 3);
    QTimer::singleShot(0, m_window.get(), [&] { record([&] { paste(column); }, true); });
    QTimer::singleShot(100000, m_window.get(), [] {
        ADD_FAILURE() << "the program did not end";
        QCoreApplication::quit();
    });
    QApplication::exec();
    EXPECT_GT(m_bursts, m_closingBurst);
    EXPECT_TRUE(text(1, 14).isEmpty()) << "the run went on to its end";
    EXPECT_FALSE(m_window->isVisible() || m_window->isRunning());
}

INSTANTIATE_TEST_SUITE_P(Seeds, EventStorm, ::testing::Values(1u, 2u, 3u));

} // namespace
} // namespace vantrel::testing
