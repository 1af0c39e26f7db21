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

const char* const kItems[] = {
    "mnuPaste",           "mnuCopy",  "mnuUpdate", "mnuRegressionType1", "mnuRegressionType2", "mnuRegressionType3",
    "mnuRegressionType4", "mnuRMSon", "mnuRMSoff", "mnuWavelengthOn",    "mnuWavelengthOff",   "mnuExit"};
const Qt::Key kKeys[] = {Qt::Key_1,         Qt::Key_9,   Qt::Key_Period,  Qt::Key_Minus,  Qt::Key_E,     Qt::Key_Home,
                         Qt::Key_Backspace, Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Return, Qt::Key_Escape};
const Qt::FocusReason kReasons[] = {Qt::TabFocusReason, Qt::BacktabFocusReason, Qt::MouseFocusReason,
                                    Qt::OtherFocusReason};

class EventStorm : public WindowTest, public ::testing::WithParamInterface<unsigned> {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        for (int n = 0; n < 10; ++n) {
            // Passes per averaging: with both searches on 1500 points, a run pumps events some fifty times.
            m_window->txtIval(n)->setText(QStringLiteral("100"));
        }
    }

    // One to three things a user may do: choose a menu item within reach, move the focus to a box, press
    // a key in a d box, click into the grid.
    void burst() {
        for (unsigned n = 1 + m_random() % 3; n > 0; --n) {
            QAction* chosen = item(kItems[m_random() % std::size(kItems)]);
            const auto* menu = qobject_cast<QMenu*>(chosen->parent());
            ParameterBox* box =
                m_random() % 2 ? m_window->txtDval(m_random() % 10) : m_window->txtIval(m_random() % 10);
            ParameterBox* dBox = m_window->txtDval(m_random() % 10);
            switch (m_random() % 4) {
            case 0:
                if (chosen->isEnabled() && chosen->isVisible() && (!menu || menu->menuAction()->isEnabled())) {
                    chosen->trigger();
                }
                break;
            case 1:
                box->setFocus(kReasons[m_random() % std::size(kReasons)]);
                break;
            case 2:
                dBox->setFocus(Qt::TabFocusReason);
                QTest::keyClick(dBox, kKeys[m_random() % std::size(kKeys)]);
                break;
            default:
                QTest::mouseClick(m_window->grid()->viewport(), Qt::LeftButton, {},
                                  QPoint(static_cast<int>(m_random() % 300), static_cast<int>(m_random() % 200)));
            }
        }
    }

    // Runs the command with `onBurst` at every pass of the event pump while a run lasts.
    void withStorm(const std::function<void()>& command, const std::function<void()>& onBurst) {
        QTimer storm;
        bool inBurst = false;
        QObject::connect(&storm, &QTimer::timeout, [&] {
            if (!inBurst && m_window->isRunning()) {
                inBurst = true;
                onBurst();
                ++m_bursts;
                inBurst = false;
            }
        });
        storm.start(0);
        command();
    }

    // The Copy text after the command, and how often each grid column was refreshed during it: a
    // second run would have refreshed columns again.
    std::pair<QString, std::array<int, 14>> record(const std::function<void()>& command) {
        std::array<int, 14> refreshes{};
        const auto counting = QObject::connect(m_window->gridModel(), &QAbstractItemModel::dataChanged,
                                               [&](const QModelIndex& from) { ++refreshes[from.column()]; });
        command();
        QObject::disconnect(counting);
        EXPECT_FALSE(m_window->isRunning());
        EXPECT_TRUE(m_messages.empty());
        item("mnuCopy")->trigger();
        return {QGuiApplication::clipboard()->text(), refreshes};
    }

    std::mt19937 m_random{GetParam()};
    int m_bursts = 0;
};

TEST_P(EventStorm, DuringAPasteAndAModelSwitchIsRefusedOrChangesNothingOfTheTable) {
    const std::string column = positiveColumn(1500); // Copy takes the clipboard: each Paste puts it back
    const auto quietPaste = record([&] { paste(column); });
    EXPECT_TRUE(record([&] { withStorm([&] { paste(column); }, [&] { burst(); }); }) == quietPaste);
    const int pasteBursts = m_bursts;
    EXPECT_GE(pasteBursts, 3);
    const auto stormySwitch =
        record([&] { withStorm([&] { item("mnuRegressionType2")->trigger(); }, [&] { burst(); }); });
    const auto quietSwitch = record([&] { item("mnuRegressionType2")->trigger(); });
    EXPECT_TRUE(stormySwitch == quietSwitch);
    EXPECT_GE(m_bursts - pasteBursts, 3);
    EXPECT_TRUE(quietSwitch.first != quietPaste.first) << "the model switch changed nothing";
}

// A close request from the program or from the window system, in the middle of a stormy run, ends the
// run and the program's event loop.
TEST_P(EventStorm, CloseRequestDuringARunEndsTheProgram) {
    const int closingBurst = static_cast<int>(m_random() % 3);
    const bool fromWindowSystem = m_random() % 2 == 1;
    QTimer::singleShot(0, m_window.get(), [&] {
        withStorm([&] { paste(positiveColumn(1500)); },
                  [&] {
                      if (m_bursts != closingBurst) {
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
    EXPECT_FALSE(m_window->isVisible() || m_window->isRunning());
    EXPECT_TRUE(m_messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Seeds, EventStorm, ::testing::Values(1u, 2u, 3u));

} // namespace
} // namespace vantrel::testing
