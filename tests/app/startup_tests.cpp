// The window at start-up: its controls and menus, its layout, and what Copy puts on the clipboard.
#include "window_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTest>

namespace vantrel::testing {
namespace {

using WindowStartup = WindowTest;

const QColor kGrey(224, 224, 224);

TEST_F(WindowStartup, NothingIsLoadedAndTheStripIsBlankOnGrey) {
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("The Vantrel"));
    EXPECT_TRUE(m_window->state().No_paste_yet);
    EXPECT_FALSE(m_window->state().Data_ready);
    EXPECT_EQ(m_window->state().Data_count, 0);
    const ProgressStrip* strip = m_window->strip();
    EXPECT_EQ(strip->objectName(), QStringLiteral("Picture1"));
    EXPECT_TRUE(strip->isBlank());
    EXPECT_EQ(strip->palette().color(QPalette::Window), kGrey);
    EXPECT_TRUE(m_messages.empty());
}

// Positions are the twips of the layout divided by 15.
TEST_F(WindowStartup, LabelsShowTheirCaptionsColoursAndPlaces) {
    struct LabelCase {
        std::string name;
        QString caption;
        QRect geometry;
        QColor background;
    };
    std::vector<LabelCase> cases = {
        {"Label16", "Regression", QRect(3, 2, 627, 17), QColor(255, 255, 240)},
        {"Label18", "Linear", QRect(3, 18, 67, 17), kGrey},
        {"Label17", QString::fromUtf8("    Y = A + B \u00b7 X      A = 0.0  B = 0.0"), QRect(69, 18, 561, 17),
         Qt::white},
        {"Label1", "Bidirectional Mean Averaging", QRect(3, 34, 627, 17), QColor(240, 240, 255)},
        {"Label12", "Wave = ", QRect(3, 50, 67, 17), kGrey},
        {"Label13", "d = ", QRect(3, 66, 67, 17), kGrey},
        {"Label14", "i = ", QRect(3, 82, 67, 17), kGrey},
    };
    for (int wave = 1; wave <= 10; ++wave) {
        cases.push_back({"Label" + std::to_string(wave + 1), QString::number(wave),
                         QRect(69 + 56 * (wave - 1), 50, 57, 17), kGrey});
    }
    for (const LabelCase& c : cases) {
        QLabel* shown = label(c.name.c_str());
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->text(), c.caption) << c.name;
        EXPECT_EQ(shown->geometry(), c.geometry) << c.name;
        EXPECT_TRUE(shown->autoFillBackground() && shown->isVisible()) << c.name;
        EXPECT_EQ(shown->palette().color(shown->backgroundRole()), c.background) << c.name;
    }
}

// Middle dots and blanks counted: 39, 42, 45 and 39 characters.
TEST_F(WindowStartup, ModelTextsHaveTheirExactLengths) {
    const int lengths[] = {0, 39, 42, 45, 39};
    const char* const names[] = {"", "Linear", "Logarithmic", "Exponential", "Power"};
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(QString::fromStdString(m_window->state().Reg_formula[k]).size(), lengths[k]) << k;
        EXPECT_EQ(m_window->state().Reg_name[k], names[k]);
    }
}

TEST_F(WindowStartup, ParameterBoxesHoldDefaultsInTheirPlacesInAFontThatFits) {
    for (int n = 0; n < 10; ++n) {
        ParameterBox* d = m_window->txtDval(n);
        ParameterBox* i = m_window->txtIval(n);
        EXPECT_EQ(d->objectName(), QStringLiteral("txtDval%1").arg(n));
        EXPECT_EQ(i->objectName(), QStringLiteral("txtIval%1").arg(n));
        EXPECT_EQ(d->text(), QStringLiteral("0.00000")) << n;
        EXPECT_EQ(i->text(), QStringLiteral("8")) << n;
        EXPECT_EQ(d->maxLength(), 10);
        EXPECT_EQ(i->maxLength(), 4);
        EXPECT_EQ(d->geometry(), QRect(69 + 56 * n, 66, 57, 17)) << n;
        EXPECT_EQ(i->geometry(), QRect(69 + 56 * n, 82, 57, 17)) << n;
        EXPECT_EQ(d->backColour(), QColor(Qt::white));
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

TEST_F(WindowStartup, FocusStartsInTheFirstDBoxAndTabRunsThroughTheDThenTheIBoxes) {
    EXPECT_EQ(QApplication::focusWidget(), m_window->txtDval(0));
    EXPECT_FALSE(m_window->txtDval(0)->hasSelectedText());
    EXPECT_EQ(m_window->txtDval(0)->cursorPosition(), 7);
    for (int k = 1; k < 20; ++k) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), k < 10 ? m_window->txtDval(k) : m_window->txtIval(k - 10)) << k;
    }
}

// The bar reads left to right with access keys; Exit, Paste, Copy, Update Waves and Chart are commands
// on the bar itself. Both adjustments start on (their Off items hidden) and Linear checked.
TEST_F(WindowStartup, MenusStartWithBothAdjustmentsOnAndLinearChecked) {
    const QList<QAction*> bar = m_window->menuBar()->actions();
    const QString captions[] = {"E&xit",         "&Paste",           "&Copy", "Wave d Value Automation",
                                "&Update Waves", "&Regression Type", "C&hart"};
    ASSERT_EQ(bar.size(), 7);
    for (int k = 0; k < 7; ++k) {
        EXPECT_EQ(bar[k]->text(), captions[k]);
        EXPECT_EQ(bar[k]->isEnabled(), k < 4 || k == 6) << k;
        EXPECT_TRUE(bar[k]->isVisible() && bar[k]->shortcut().isEmpty());
        EXPECT_EQ(bar[k]->menu() != nullptr, k == 3 || k == 5) << k;
    }
    const struct {
        const char* name;
        const char* caption;
        bool shown;
    } items[] = {{"mnuRMSon", "Amplitude Adjustment On", true},
                 {"mnuRMSoff", "Amplitude Adjustment Off", false},
                 {"mnuWavelengthOn", "Wavelength Adjustment On", true},
                 {"mnuWavelengthOff", "Wavelength Adjustment Off", false},
                 {"mnuRegressionType1", "&Linear", true},
                 {"mnuRegressionType2", "L&ogarithmic", true},
                 {"mnuRegressionType3", "&Exponential", true},
                 {"mnuRegressionType4", "&Power", true}};
    for (const auto& c : items) {
        EXPECT_EQ(item(c.name)->text(), QString::fromLatin1(c.caption)) << c.name;
        EXPECT_EQ(item(c.name)->isVisible(), c.shown) << c.name;
        EXPECT_EQ(item(c.name)->isEnabled(), c.shown) << c.name;
        EXPECT_EQ(item(c.name)->isChecked(), c.name == std::string("mnuRegressionType1")) << c.name;
    }
    EXPECT_EQ(item("mnuRegression")->menu()->actions().indexOf(item("mnuRegressionType4")), 3);
}

TEST_F(WindowStartup, GridShowsHeadingsRowNumbersAndEmptyCellsAThousandTwipsWide) {
    const QAbstractItemModel* model = m_window->grid()->model();
    ASSERT_EQ(model->rowCount(), 1500);
    ASSERT_EQ(model->columnCount(), 14);
    EXPECT_EQ(m_window->gridModel()->cornerText(), QStringLiteral("Index"));
    for (int c = 0; c < 14; ++c) {
        const QString heading = c == 0    ? "Data"
                                : c == 1  ? "Regression"
                                : c == 2  ? "Oscillation"
                                : c == 13 ? "Remainder"
                                          : QStringLiteral("Wave %1").arg(c - 2);
        EXPECT_EQ(model->headerData(c, Qt::Horizontal).toString(), heading);
        EXPECT_EQ(model->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>(),
                  Qt::Alignment(Qt::AlignCenter));
        EXPECT_EQ(model->data(model->index(0, c), Qt::TextAlignmentRole).value<Qt::Alignment>() &
                      Qt::AlignHorizontal_Mask,
                  Qt::Alignment(Qt::AlignRight))
            << c;
        EXPECT_EQ(m_window->grid()->horizontalHeader()->sectionSize(c), 67) << c;
    }
    EXPECT_EQ(m_window->grid()->verticalHeader()->width(), 67);
    for (int r : {0, 9, 99, 999, 1499}) {
        EXPECT_EQ(model->headerData(r, Qt::Vertical).toString(), QStringLiteral(" %1").arg(r + 1));
        EXPECT_TRUE(model->data(model->index(r, 5)).toString().isEmpty());
    }
    EXPECT_EQ(model->headerData(0, Qt::Vertical, Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::Alignment(Qt::AlignCenter));
}

// ---- Layout -------------------------------------------------------------------------------------

void settle() {
    for (int k = 0; k < 5; ++k) {
        QCoreApplication::processEvents();
    }
}

// The strip and the grid follow the client area: 3 px margin left, 2 right, the grid 3 below; the
// fixed band stays where it is.
void expectLaidOut(const frmVantrel& window) {
    const QSize client = window.centralWidget()->size();
    EXPECT_EQ(window.strip()->geometry(), QRect(3, 98, client.width() - 5, 9));
    EXPECT_EQ(window.grid()->geometry(), QRect(3, 106, client.width() - 5, client.height() - 109));
    EXPECT_EQ(window.txtIval(9)->geometry(), QRect(69 + 56 * 9, 82, 57, 17));
}

using WindowLayout = WindowTest;

TEST_F(WindowLayout, OpensAtLeastAtTheMinimumOuterSize) {
    const QSize outer = m_window->frameGeometry().size();
    EXPECT_GE(outer.width(), 640);
    EXPECT_GE(outer.height(), 480);
    // Opening client area 632 x 434 grows to the minimum, never beyond it.
    const QSize client = m_window->centralWidget()->size();
    EXPECT_TRUE(outer.width() == 640 || client.width() == 632) << outer.width() << " " << client.width();
    EXPECT_TRUE(outer.height() == 480 || client.height() == 434) << outer.height() << " " << client.height();
    expectLaidOut(*m_window);
}

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
    expectLaidOut(*m_window);
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
    }
}

// ---- Copy ---------------------------------------------------------------------------------------

using CopyCommand = WindowTest;

TEST_F(CopyCommand, BeforeAnyPasteCopiesHeadingsAndRowNumbersAndSelectsTheFirstCell) {
    setClipboard("something else");
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
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(0, 0));
    EXPECT_EQ(grid->selectionModel()->selectedIndexes(), QModelIndexList{grid->model()->index(0, 0)});
}

} // namespace
} // namespace vantrel::testing
