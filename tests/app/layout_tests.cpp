#include "window_fixture.h"

#include "app/parameter_box.h"
#include "app/progress_strip.h"
#include "app/result_grid.h"

#include <QTest>

namespace vantrel::testing {
namespace {

using WindowLayout = WindowTest;

void settle() {
    for (int k = 0; k < 5; ++k) {
        QCoreApplication::processEvents();
    }
}

// The strip and the grid follow the client area: 3 px margin left, 2 right, the grid 3 below.
void expectStretchingControlsFollow(const frmVantrel& window) {
    const QSize client = window.centralWidget()->size();
    EXPECT_EQ(window.strip()->geometry(), QRect(3, 98, client.width() - 5, 9));
    EXPECT_EQ(window.grid()->geometry(), QRect(3, 106, client.width() - 5, client.height() - 109));
}

TEST_F(WindowLayout, OpensAtLeastAtTheMinimumOuterSize) {
    const QSize outer = m_window->frameGeometry().size();
    EXPECT_GE(outer.width(), 640);
    EXPECT_GE(outer.height(), 480);
    // Opening client area 632 x 434 grows to the minimum, never beyond it.
    const QSize client = m_window->centralWidget()->size();
    EXPECT_TRUE(outer.width() == 640 || client.width() == 632) << outer.width() << " " << client.width();
    EXPECT_TRUE(outer.height() == 480 || client.height() == 434) << outer.height() << " " << client.height();
    expectStretchingControlsFollow(*m_window);
}

struct ResizeCase {
    QSize requested;
    bool widthRestored;
    bool heightRestored;
};

TEST_F(WindowLayout, ResizingBelowTheMinimumRestoresEachDimensionOnItsOwn) {
    const ResizeCase cases[] = {
        {QSize(500, 600), true, false},
        {QSize(800, 300), false, true},
        {QSize(200, 100), true, true},
        {QSize(900, 700), false, false},
    };
    for (const ResizeCase& c : cases) {
        m_window->resize(c.requested);
        settle();
        const QSize outer = m_window->frameGeometry().size();
        const QSize frame = outer - m_window->size();
        const QSize asked = c.requested + frame;
        EXPECT_EQ(outer.width(), c.widthRestored ? 640 : asked.width()) << c.requested.width();
        EXPECT_EQ(outer.height(), c.heightRestored ? 480 : asked.height()) << c.requested.height();
        expectStretchingControlsFollow(*m_window);
    }
}

TEST_F(WindowLayout, FixedBandKeepsItsPlaceWhenTheWindowGrows) {
    m_window->resize(1200, 900);
    settle();
    EXPECT_EQ(label("Label16")->geometry(), QRect(3, 2, 627, 17));
    EXPECT_EQ(m_window->txtIval(9)->geometry(), QRect(69 + 56 * 9, 82, 57, 17));
    expectStretchingControlsFollow(*m_window);
    EXPECT_GT(m_window->grid()->width(), 1100);
}

TEST_F(WindowLayout, MinimizedWindowIsNotLaidOut) {
    const QRect gridBefore = m_window->grid()->geometry();
    m_window->setWindowState(Qt::WindowMinimized);
    settle();
    m_window->resize(300, 200);
    settle();
    EXPECT_EQ(m_window->grid()->geometry().topLeft(), gridBefore.topLeft());
    m_window->setWindowState(Qt::WindowNoState);
    settle();
    EXPECT_GE(m_window->frameGeometry().width(), 640);
    EXPECT_GE(m_window->frameGeometry().height(), 480);
    expectStretchingControlsFollow(*m_window);
}

TEST_F(WindowLayout, StripScaleRunsFromMinusOneToOneThousandAndThree) {
    for (QSize size : {QSize(640, 480), QSize(1000, 600)}) {
        m_window->resize(size);
        settle();
        const ProgressStrip* strip = m_window->strip();
        EXPECT_DOUBLE_EQ(strip->pixelX(-1), 0);
        EXPECT_DOUBLE_EQ(strip->pixelX(1003), strip->width());
        EXPECT_DOUBLE_EQ(strip->pixelY(0), 0);
        EXPECT_DOUBLE_EQ(strip->pixelY(7), strip->height());
        // A mark at x = 1000 stays 3 units short of the right edge.
        EXPECT_NEAR(strip->width() - strip->pixelX(1000), 3.0 * strip->width() / 1004, 1e-9);
    }
}

} // namespace
} // namespace vantrel::testing
