// Seeded storms of menu choices, focus changes, typing and clicks, delivered through the event pump of
// long runs: the busy rule refuses what would start a second run, and the table comes out as without
// the storm.
//
// What a storm may change, and why the tables still compare: it chooses only the menu items a user
// could reach (enabled, in an enabled menu), so during a run only the commands that the busy rule
// refuses; it types only into the d boxes, which both adjustments search and never read; focus
// changes rewrite the i boxes in their own canonical form, so they keep their values. A stormy Paste
// (boxes locked) is compared with the quiet Paste before it, a stormy model switch with the same
// switch made quietly after it.
#include "window_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <array>
#include <functional>
#include <random>

namespace vantrel::testing {
namespace {

// Passes per averaging: with both searches on 1500 points, a run pumps events some fifty times.
const QString kPasses = QStringLiteral("100");

const char* const kItems[] = {
    "mnuPaste",           "mnuCopy",  "mnuUpdate", "mnuRegressionType1", "mnuRegressionType2", "mnuRegressionType3",
    "mnuRegressionType4", "mnuRMSon", "mnuRMSoff", "mnuWavelengthOn",    "mnuWavelengthOff",   "mnuExit"};
const Qt::Key kKeys[] = {Qt::Key_1,   Qt::Key_5,       Qt::Key_9,      Qt::Key_Period,    Qt::Key_Minus,
                         Qt::Key_E,   Qt::Key_X,       Qt::Key_Home,   Qt::Key_Backspace, Qt::Key_Delete,
                         Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Return, Qt::Key_Escape,    Qt::Key_End};
const Qt::FocusReason kReasons[] = {Qt::TabFocusReason, Qt::BacktabFocusReason, Qt::MouseFocusReason,
                                    Qt::OtherFocusReason};

// What a run leaves: the Copy text, and how often each grid column was refreshed during it.
struct RunRecord {
    std::string copied;
    std::array<int, 15> refreshes{};
};

class EventStorm : public WindowTest, public ::testing::WithParamInterface<unsigned> {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        for (int n = 0; n < 10; ++n) {
            m_window->txtIval(n)->setText(kPasses);
        }
    }

    bool reachable(QAction* action) const {
        const auto* menu = qobject_cast<QMenu*>(action->parent());
        return action->isEnabled() && action->isVisible() && (!menu || menu->menuAction()->isEnabled());
    }

    template <typename T, std::size_t N> const T& pick(const T (&choices)[N]) { return choices[m_random() % N]; }

    void burst() {
        for (unsigned n = 1 + m_random() % 3; n > 0; --n) {
            ParameterBox* box =
                m_random() % 2 ? m_window->txtDval(m_random() % 10) : m_window->txtIval(m_random() % 10);
            ParameterBox* dBox = m_window->txtDval(m_random() % 10);
            switch (m_random() % 4) {
            case 0:
                if (QAction* chosen = item(pick(kItems)); reachable(chosen)) {
                    chosen->trigger();
                }
                break;
            case 1:
                box->setFocus(pick(kReasons));
                break;
            case 2:
                dBox->setFocus(Qt::TabFocusReason);
                QTest::keyClick(dBox, pick(kKeys));
                break;
            default:
                QWidget* target = m_random() % 2 ? static_cast<QWidget*>(box) : m_window->grid()->viewport();
                const int x = static_cast<int>(m_random() % target->width());
                QTest::mouseClick(target, Qt::LeftButton, {},
                                  QPoint(x, static_cast<int>(m_random() % target->height())));
            }
        }
    }

    // Runs the command with a storm burst, or `onBurst`, at every pass of the event pump.
    void withStorm(const std::function<void()>& command, const std::function<void(int)>& onBurst = {}) {
        QTimer storm;
        bool inBurst = false;
        QObject::connect(&storm, &QTimer::timeout, [&] {
            if (!inBurst && m_window->isRunning()) {
                inBurst = true;
                onBurst ? onBurst(m_bursts) : burst();
                ++m_bursts;
                inBurst = false;
            }
        });
        storm.start(0);
        command();
    }

    RunRecord record(const std::function<void()>& command) {
        RunRecord run;
        const auto counting = QObject::connect(m_window->gridModel(), &QAbstractItemModel::dataChanged,
                                               [&run](const QModelIndex& from) { ++run.refreshes[from.column() + 1]; });
        command();
        QObject::disconnect(counting);
        item("mnuCopy")->trigger();
        run.copied = QGuiApplication::clipboard()->text().toStdString();
        return run;
    }

    void expectSameRun(const RunRecord& stormy, const RunRecord& quiet) {
        EXPECT_FALSE(m_window->isRunning());
        EXPECT_TRUE(m_messages.empty());
        EXPECT_EQ(stormy.refreshes, quiet.refreshes); // a second run would have refreshed columns again
        EXPECT_TRUE(stormy.copied == quiet.copied);
    }

    std::mt19937 m_random{GetParam()};
    int m_bursts = 0;
};

TEST_P(EventStorm, DuringAPasteAndAModelSwitchIsRefusedOrChangesNothingOfTheTable) {
    SCOPED_TRACE("storm seed " + std::to_string(GetParam()));
    // Copy takes the clipboard: each Paste puts the column there again.
    const std::string column = positiveColumn(1500);
    const RunRecord quietPaste = record([&] { paste(column); });
    const RunRecord stormyPaste = record([&] { withStorm([&] { paste(column); }); });
    expectSameRun(stormyPaste, quietPaste);
    const int pasteBursts = m_bursts;
    EXPECT_GE(pasteBursts, 3);

    const RunRecord stormySwitch = record([&] { withStorm([&] { item("mnuRegressionType2")->trigger(); }); });
    const RunRecord quietSwitch = record([&] { item("mnuRegressionType2")->trigger(); });
    expectSameRun(stormySwitch, quietSwitch);
    EXPECT_GE(m_bursts - pasteBursts, 3);
    EXPECT_TRUE(quietSwitch.copied != quietPaste.copied) << "the model switch changed nothing";
}

// A close request from the program or from the window system, in the middle of a stormy run, ends the
// run and the program's event loop.
TEST_P(EventStorm, CloseRequestDuringARunEndsTheProgram) {
    SCOPED_TRACE("storm seed " + std::to_string(GetParam()));
    const int closingBurst = static_cast<int>(m_random() % 3);
    const bool fromWindowSystem = m_random() % 2 == 1;
    QTimer::singleShot(0, m_window.get(), [&] {
        withStorm([&] { paste(positiveColumn(1500)); },
                  [&](int burstNumber) {
                      if (burstNumber != closingBurst) {
                          burst();
                      } else if (fromWindowSystem) {
                          m_window->windowHandle()->close();
                      } else {
                          m_window->close();
                      }
                  });
    });
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, &QCoreApplication::quit);
    giveUp.start(120000);
    QApplication::exec();
    EXPECT_TRUE(giveUp.isActive()) << "the program did not end";
    EXPECT_GT(m_bursts, closingBurst);
    EXPECT_TRUE(text(1, 14).isEmpty()) << "the run went on to its end";
    EXPECT_FALSE(m_window->isVisible());
    EXPECT_FALSE(m_window->isRunning());
    EXPECT_TRUE(m_messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Seeds, EventStorm, ::testing::Values(1u, 2u, 3u));

} // namespace
} // namespace vantrel::testing
