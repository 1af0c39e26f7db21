// The window at start-up: its controls and menus, its layout, and what Copy puts on the clipboard.
#include "window_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTest>

namespace vantrel::testing {
namespace {

using WindowStartup = WindowTest;

TEST_F(WindowStartup, NothingIsLoadedTheBoxesHoldDefaultsAndTabRunsThroughTheDThenTheIBoxes) {
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("The Vantrel"));
    EXPECT_TRUE(m_window->state().No_paste_yet);
    EXPECT_TRUE(m_window->strip()->isBlank());
    EXPECT_EQ(label("Label18")->text(), QStringLiteral("Linear"));
    EXPECT_EQ(QApplication::focusWidget(), m_window->txtDval(0));
    EXPECT_EQ(m_window->txtDval(0)->cursorPosition(), 7);
    for (int k = 0; k < 20; ++k) {
        ParameterBox* box = k < 10 ? m_window->txtDval(k) : m_window->txtIval(k - 10);
        EXPECT_EQ(QApplication::focusWidget(), box) << k;
        EXPECT_EQ(box->text(), QString::fromLatin1(k < 10 ? "0.00000" : "8")) << k;
        EXPECT_EQ(box->maxLength(), k < 10 ? 10 : 4);
        QTest::keyClick(box, Qt::Key_Tab);
    }
}

// Exit, Paste, Copy, Update Waves and Chart are commands on the bar itself. Both adjustments start on
// (their Off items hidden) and Linear checked; Update Waves and Regression Type wait for a series.
TEST_F(WindowStartup, MenusStartWithBothAdjustmentsOnAndLinearChecked) {
    const QList<QAction*> bar = m_window->menuBar()->actions();
    const QString captions[] = {"E&xit",         "&Paste",           "&Copy", "Wave d Value Automation",
                                "&Update Waves", "&Regression Type", "C&hart"};
    ASSERT_EQ(bar.size(), 7);
    for (int k = 0; k < 7; ++k) {
        EXPECT_EQ(bar[k]->text(), captions[k]);
        EXPECT_EQ(bar[k]->isEnabled(), k != 4 && k != 5) << k;
    }
    const std::tuple<const char*, bool, bool> items[] = {
        {"mnuRMSon", true, false},          {"mnuRMSoff", false, false},        {"mnuWavelengthOn", true, false},
        {"mnuWavelengthOff", false, false}, {"mnuRegressionType1", true, true}, {"mnuRegressionType4", true, false}};
    for (const auto& [name, shown, checked] : items) {
        EXPECT_EQ(item(name)->isVisible() && item(name)->isEnabled(), shown) << name;
        EXPECT_EQ(item(name)->isChecked(), checked) << name;
    }
}

// A 12 pt desktop font: no menu item is pushed out of the bar, and the widest d text fits its box.
class LargeFont : public WindowTest {
protected:
    void SetUp() override {
        QFont large = m_oldFont;
        large.setPointSize(12);
        QApplication::setFont(large);
        WindowTest::SetUp();
    }
    void TearDown() override {
        WindowTest::TearDown();
        QApplication::setFont(m_oldFont);
    }
    QFont m_oldFont = QApplication::font();
};

TEST_F(LargeFont, EveryMenuItemIsOnTheBarAndTheWidestDTextFitsItsBox) {
    for (const QSize size : {QSize(200, 100), QSize(1000, 700)}) {
        m_window->resize(size);
        QApplication::processEvents();
        const QMenuBar* bar = m_window->menuBar();
        for (QAction* action : bar->actions()) {
            const QRect place = bar->actionGeometry(action);
            EXPECT_FALSE(place.isEmpty()) << action->text().toStdString();
            EXPECT_TRUE(bar->rect().contains(place)) << action->text().toStdString();
        }
    }
    ParameterBox* box = m_window->txtDval(0);
    QStyleOptionFrame frame;
    frame.initFrom(box);
    frame.rect = box->rect();
    frame.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, box);
    const QRect contents = box->style()->subElementRect(QStyle::SE_LineEditContents, &frame, box);
    EXPECT_LE(box->fontMetrics().height(), contents.height());
    // The line edit keeps 2 px free on each side of its text.
    EXPECT_LE(box->fontMetrics().horizontalAdvance(QStringLiteral("-99.99999")), contents.width() - 4);
}

// ---- Layout -------------------------------------------------------------------------------------

void settle() {
    for (int k = 0; k < 5; ++k) {
        QCoreApplication::processEvents();
    }
}

// The strip and the grid follow the client area: 3 px margin left, 2 right, the grid 3 below.
void expectLaidOut(const frmVantrel& window) {
    const QSize client = window.centralWidget()->size();
    EXPECT_EQ(window.strip()->geometry().width(), client.width() - 5);
    const QRect grid = window.grid()->geometry();
    EXPECT_EQ(grid.width(), client.width() - 5);
    EXPECT_EQ(grid.bottom(), client.height() - 4);
}

using WindowLayout = WindowTest;

TEST_F(WindowLayout, ResizingBelowTheMinimumRestoresEachDimensionOnItsOwn) {
    const struct {
        QSize requested;
        bool widthRestored;
        bool heightRestored;
    } cases[] = {{QSize(500, 600), true, false},
                 {QSize(800, 300), false, true},
                 {QSize(200, 100), true, true},
                 {QSize(1200, 900), false, false}};
    for (const auto& c : cases) {
        m_window->resize(c.requested);
        settle();
        const QSize outer = m_window->frameGeometry().size();
        const QSize asked = c.requested + outer - m_window->size();
        EXPECT_EQ(outer.width(), c.widthRestored ? 640 : asked.width()) << c.requested.width();
        EXPECT_EQ(outer.height(), c.heightRestored ? 480 : asked.height()) << c.requested.height();
        expectLaidOut(*m_window);
    }
}

// While minimized the size is the desktop's business; the minimum comes back with the window.
TEST_F(WindowLayout, MinimizedWindowIsNotResizedToTheMinimum) {
    m_window->setWindowState(Qt::WindowMinimized);
    settle();
    m_window->resize(300, 200);
    settle();
    EXPECT_EQ(m_window->size(), QSize(300, 200));
    m_window->setWindowState(Qt::WindowNoState);
    settle();
    EXPECT_GE(m_window->frameGeometry().width(), 640);
    EXPECT_GE(m_window->frameGeometry().height(), 480);
    expectLaidOut(*m_window);
}

TEST_F(WindowStartup, CopyBeforeAnyPasteCopiesHeadingsAndRowNumbersAndSelectsTheFirstCell) {
    ResultGrid* grid = m_window->grid();
    grid->selectionModel()->select(QItemSelection(grid->model()->index(10, 2), grid->model()->index(60, 9)),
                                   QItemSelectionModel::ClearAndSelect);
    item("mnuCopy")->trigger();
    QString expected = QStringLiteral("Index\tData\tRegression\tOscillation");
    for (int wave = 1; wave <= 10; ++wave) {
        expected += QStringLiteral("\tWave %1").arg(wave);
    }
    expected += QStringLiteral("\tRemainder");
    for (int row = 1; row <= 1500; ++row) {
        expected += QStringLiteral("\r %1").arg(row) + QString(14, QLatin1Char('\t'));
    }
    EXPECT_EQ(QGuiApplication::clipboard()->text(), expected);
    EXPECT_EQ(grid->selectionModel()->selectedIndexes(), QModelIndexList{grid->model()->index(0, 0)});
}

} // namespace
} // namespace vantrel::testing
