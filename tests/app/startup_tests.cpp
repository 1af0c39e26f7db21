#include "window_fixture.h"

#include "app/parameter_box.h"
#include "app/progress_strip.h"
#include "app/result_grid.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTest>

namespace vantrel::testing {
namespace {

using WindowStartup = WindowTest;

struct LabelCase {
    const char* name;
    const char* caption;
    QRect geometry;
    QColor background;
};

const QColor kGrey(224, 224, 224);

// Positions are the twips of the layout divided by 15.
std::vector<LabelCase> labelCases() {
    std::vector<LabelCase> cases = {
        {"Label16", "Regression", QRect(3, 2, 627, 17), QColor(255, 255, 240)},
        {"Label18", "Linear", QRect(3, 18, 67, 17), kGrey},
        {"Label17", "    Y = A + B \u00b7 X      A = 0.0  B = 0.0", QRect(69, 18, 561, 17), Qt::white},
        {"Label1", "Bidirectional Mean Averaging", QRect(3, 34, 627, 17), QColor(240, 240, 255)},
        {"Label12", "Wave = ", QRect(3, 50, 67, 17), kGrey},
        {"Label13", "d = ", QRect(3, 66, 67, 17), kGrey},
        {"Label14", "i = ", QRect(3, 82, 67, 17), kGrey},
    };
    static const char* const numbers[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"};
    static std::vector<std::string> names;
    names.clear();
    for (int wave = 1; wave <= 10; ++wave) {
        names.push_back("Label" + std::to_string(wave + 1));
    }
    for (int wave = 1; wave <= 10; ++wave) {
        cases.push_back({names[wave - 1].c_str(), numbers[wave - 1], QRect(69 + 56 * (wave - 1), 50, 57, 17), kGrey});
    }
    return cases;
}

TEST_F(WindowStartup, CaptionIsTheProgramsName) {
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("The Vantrel"));
}

TEST_F(WindowStartup, LabelsShowTheirCaptionsColoursAndPlaces) {
    for (const LabelCase& c : labelCases()) {
        QLabel* shown = label(c.name);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->text(), QString::fromUtf8(c.caption)) << c.name;
        EXPECT_EQ(shown->geometry(), c.geometry) << c.name;
        EXPECT_TRUE(shown->autoFillBackground()) << c.name;
        EXPECT_EQ(shown->palette().color(shown->backgroundRole()), c.background) << c.name;
        EXPECT_TRUE(shown->isVisible()) << c.name;
    }
}

TEST_F(WindowStartup, FormulaTextsHaveTheirExactLengths) {
    // Middle dots and blanks counted: 39, 42, 45 and 39 characters.
    const int lengths[] = {0, 39, 42, 45, 39};
    const char* const names[] = {"", "Linear", "Logarithmic", "Exponential", "Power"};
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(QString::fromStdString(m_window->state().Reg_formula[k]).size(), lengths[k]) << k;
        EXPECT_EQ(m_window->state().Reg_name[k], names[k]);
    }
}

TEST_F(WindowStartup, ParameterBoxesHoldDefaultsInTheirPlaces) {
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
        EXPECT_TRUE(d->isEnabled() && i->isEnabled());
        EXPECT_EQ(d->backColour(), QColor(Qt::white));
        EXPECT_EQ(i->backColour(), QColor(Qt::white));
    }
}

TEST_F(WindowStartup, BoxesShowTheirTextInAFontThatFits) {
    ParameterBox* box = m_window->txtDval(0);
    QStyleOptionFrame frame;
    frame.initFrom(box);
    frame.rect = box->rect();
    frame.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, box);
    const QRect contents = box->style()->subElementRect(QStyle::SE_LineEditContents, &frame, box);
    const QFontMetrics metrics(box->font());
    EXPECT_LE(metrics.height(), contents.height());
    // The line edit keeps 2 px free on each side of its text.
    EXPECT_LE(metrics.horizontalAdvance(QStringLiteral("-99.99999")), contents.width() - 4);
    EXPECT_LE(QFontMetrics(label("Label12")->font()).height(), 17);
}

TEST_F(WindowStartup, FocusStartsInFirstDBoxWithCaretAtTheEnd) {
    EXPECT_EQ(QApplication::focusWidget(), m_window->txtDval(0));
    EXPECT_FALSE(m_window->txtDval(0)->hasSelectedText());
    EXPECT_EQ(m_window->txtDval(0)->cursorPosition(), 7);
}

TEST_F(WindowStartup, TabRunsThroughTheDBoxesThenTheIBoxes) {
    std::vector<QWidget*> expected;
    for (int n = 1; n < 10; ++n) {
        expected.push_back(m_window->txtDval(n));
    }
    for (int n = 0; n < 10; ++n) {
        expected.push_back(m_window->txtIval(n));
    }
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
}

TEST_F(WindowStartup, MenuBarReadsLeftToRightWithAccessKeys) {
    const QList<QAction*> bar = m_window->menuBar()->actions();
    const std::vector<std::pair<QString, bool>> expected = {
        {"E&xit", true},          {"&Paste", true},
        {"&Copy", true},          {"Wave d Value Automation", true},
        {"&Update Waves", false}, {"&Regression Type", false},
    };
    ASSERT_EQ(bar.size(), static_cast<qsizetype>(expected.size()));
    for (size_t k = 0; k < expected.size(); ++k) {
        EXPECT_EQ(bar[k]->text(), expected[k].first);
        EXPECT_EQ(bar[k]->isEnabled(), expected[k].second) << expected[k].first.toStdString();
        EXPECT_TRUE(bar[k]->isVisible());
        EXPECT_TRUE(bar[k]->shortcut().isEmpty());
    }
    // Exit, Paste, Copy and Update Waves are commands on the bar itself.
    for (int k : {0, 1, 2, 4}) {
        EXPECT_EQ(bar[k]->menu(), nullptr) << k;
    }
    EXPECT_NE(bar[3]->menu(), nullptr);
    EXPECT_NE(bar[5]->menu(), nullptr);
}

struct ItemCase {
    const char* name;
    const char* caption;
    bool visible;
    bool enabled;
    bool checked;
};

TEST_F(WindowStartup, SubmenuItemsStartWithBothAdjustmentsOnAndLinearChecked) {
    const ItemCase cases[] = {
        {"mnuRMSon", "Amplitude Adjustment On", true, true, false},
        {"mnuRMSoff", "Amplitude Adjustment Off", false, false, false},
        {"mnuWavelengthOn", "Wavelength Adjustment On", true, true, false},
        {"mnuWavelengthOff", "Wavelength Adjustment Off", false, false, false},
        {"mnuRegressionType1", "&Linear", true, true, true},
        {"mnuRegressionType2", "L&ogarithmic", true, true, false},
        {"mnuRegressionType3", "&Exponential", true, true, false},
        {"mnuRegressionType4", "&Power", true, true, false},
    };
    for (const ItemCase& c : cases) {
        QAction* shown = item(c.name);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->text(), QString::fromLatin1(c.caption)) << c.name;
        EXPECT_EQ(shown->isVisible(), c.visible) << c.name;
        EXPECT_EQ(shown->isEnabled(), c.enabled) << c.name;
        EXPECT_EQ(shown->isChecked(), c.checked) << c.name;
        EXPECT_TRUE(shown->shortcut().isEmpty()) << c.name;
    }
    const QList<QAction*> models = item("mnuRegression")->menu()->actions();
    ASSERT_EQ(models.size(), 4);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(models[k]->objectName(), QStringLiteral("mnuRegressionType%1").arg(k + 1));
    }
}

TEST_F(WindowStartup, GridShowsHeadingsRowNumbersAndEmptyCells) {
    const ResultGrid* grid = m_window->grid();
    const QAbstractItemModel* model = grid->model();
    ASSERT_EQ(model->rowCount(), 1500);
    ASSERT_EQ(model->columnCount(), 14);
    const char* const headings[] = {"Data",   "Regression", "Oscillation", "Wave 1", "Wave 2", "Wave 3",  "Wave 4",
                                    "Wave 5", "Wave 6",     "Wave 7",      "Wave 8", "Wave 9", "Wave 10", "Remainder"};
    for (int c = 0; c < 14; ++c) {
        EXPECT_EQ(model->headerData(c, Qt::Horizontal).toString(), QString::fromLatin1(headings[c]));
        EXPECT_EQ(model->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>(),
                  Qt::Alignment(Qt::AlignCenter));
        EXPECT_EQ(model->data(model->index(0, c), Qt::TextAlignmentRole).value<Qt::Alignment>() &
                      Qt::AlignHorizontal_Mask,
                  Qt::Alignment(Qt::AlignRight))
            << c;
    }
    for (int r : {0, 1, 8, 9, 98, 99, 998, 999, 1499}) {
        EXPECT_EQ(model->headerData(r, Qt::Vertical).toString(), QStringLiteral(" %1").arg(r + 1));
    }
    EXPECT_EQ(model->headerData(0, Qt::Vertical, Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::Alignment(Qt::AlignCenter));
    EXPECT_EQ(m_window->gridModel()->cornerText(), QStringLiteral("Index"));
    for (int r = 0; r < 1500; r += 37) {
        for (int c = 0; c < 14; ++c) {
            EXPECT_TRUE(model->data(model->index(r, c)).toString().isEmpty());
        }
    }
}

TEST_F(WindowStartup, GridColumnsAreAThousandTwipsWide) {
    const ResultGrid* grid = m_window->grid();
    for (int c = 0; c < 14; ++c) {
        EXPECT_EQ(grid->horizontalHeader()->sectionSize(c), 67) << c;
    }
    EXPECT_EQ(grid->verticalHeader()->width(), 67);
}

std::vector<QString> g_modelWarnings;

void keepModelWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg && QByteArray(context.category) == "qt.modeltest") {
        g_modelWarnings.push_back(message);
    }
}

TEST_F(WindowStartup, GridModelIsAWellBehavedItemModel) {
    g_modelWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepModelWarnings);
    {
        QAbstractItemModelTester tester(m_window->gridModel(), QAbstractItemModelTester::FailureReportingMode::Warning);
        m_window->gridModel()->refreshAllColumns();
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(g_modelWarnings.empty()) << g_modelWarnings.front().toStdString();
}

TEST_F(WindowStartup, StripIsBlankOnGrey) {
    const ProgressStrip* strip = m_window->strip();
    EXPECT_EQ(strip->objectName(), QStringLiteral("Picture1"));
    EXPECT_TRUE(strip->isBlank());
    EXPECT_EQ(strip->palette().color(QPalette::Window), kGrey);
    EXPECT_TRUE(strip->autoFillBackground());
}

TEST_F(WindowStartup, NothingIsLoadedYet) {
    EXPECT_TRUE(m_window->state().No_paste_yet);
    EXPECT_FALSE(m_window->state().Data_ready);
    EXPECT_EQ(m_window->state().Data_count, 0);
    EXPECT_FALSE(m_window->isRunning());
    EXPECT_TRUE(m_messages.empty());
}

} // namespace
} // namespace vantrel::testing
