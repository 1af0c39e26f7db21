#include "window_fixture.h"

#include "app/parameter_box.h"
#include "app/progress_strip.h"
#include "app/random_source.h"
#include "app/result_grid.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QSignalSpy>

#include <cmath>
#include <set>

namespace vantrel::testing {
namespace {

using PasteCommand = WindowTest;

const std::vector<const char*> kPasteMenus = {"mnuWaveAuto", "mnuExit", "mnuCopy", "mnuPaste"};

// Least squares line through (i, y_i), i from 1.
std::pair<double, double> fitLine(const std::vector<double>& y) {
    const double n = static_cast<double>(y.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t k = 0; k < y.size(); ++k) {
        const double x = static_cast<double>(k + 1);
        sx += x;
        sy += y[k];
        sxx += x * x;
        sxy += x * y[k];
    }
    const double b = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    return {(sy - b * sx) / n, b};
}

// The two coefficients shown at the end of the formula line.
std::pair<double, double> formulaCoefficients(const QString& line) {
    const qsizetype a = line.indexOf(QStringLiteral("A = "));
    const qsizetype b = line.indexOf(QStringLiteral("B = "));
    return {valueOf(line.mid(a + 4, b - a - 4).trimmed()), valueOf(line.mid(b + 4).trimmed())};
}

TEST_F(PasteCommand, ValidColumnFillsEveryColumnWithoutAMessage) {
    const int n = 30;
    const std::vector<double> values = positiveValues(n);
    paste(positiveColumn(n));

    EXPECT_TRUE(m_messages.empty());
    const AnalysisState& state = m_window->state();
    EXPECT_TRUE(state.Data_ready);
    EXPECT_FALSE(state.No_paste_yet);
    ASSERT_EQ(state.Data_count, n);
    EXPECT_EQ(state.Decimals, 3);
    expectEnabled({"mnuRegression", "mnuWaveAuto", "mnuExit", "mnuCopy", "mnuPaste"}, true);
    EXPECT_FALSE(isUpdateEnabled());
    for (int row = 1; row <= n; ++row) {
        EXPECT_NEAR(valueOf(text(row, 1)), values[row - 1], 1e-12);
        for (int c = 1; c < 15; ++c) {
            EXPECT_FALSE(text(row, c).isEmpty()) << row << " " << c;
        }
        // Data = Regression + Oscillation; Oscillation = the ten waves + Remainder (to the shown decimals).
        EXPECT_NEAR(valueOf(text(row, 2)) + valueOf(text(row, 3)), valueOf(text(row, 1)), 1.1e-5);
        double peeled = 0;
        for (int c = 4; c <= 14; ++c) {
            peeled += valueOf(text(row, c));
        }
        EXPECT_NEAR(peeled, valueOf(text(row, 3)), 6.1e-5) << row;
    }
    for (int row = n + 1; row <= 1500; row += 7) {
        for (int c = 1; c < 15; ++c) {
            EXPECT_TRUE(text(row, c).isEmpty());
        }
    }
    const auto [a, b] = fitLine(values);
    const auto [shownA, shownB] = formulaCoefficients(label("Label17")->text());
    EXPECT_TRUE(label("Label17")->text().startsWith(QStringLiteral("    Y = A + B \u00b7 X      A = ")));
    EXPECT_NEAR(shownA, a, 1e-9);
    EXPECT_NEAR(shownB, b, 1e-9);
    EXPECT_EQ(label("Label18")->text(), QStringLiteral("Linear"));
    for (int box = 0; box < 10; ++box) {
        EXPECT_TRUE(m_window->txtDval(box)->isEnabled());
        EXPECT_TRUE(m_window->txtIval(box)->isEnabled());
        EXPECT_EQ(m_window->txtDval(box)->backColour(), QColor(Qt::white));
        // Both adjustments rewrote every d box with the d they found.
        EXPECT_EQ(m_window->txtDval(box)->text().size() - m_window->txtDval(box)->text().indexOf('.'), 6);
    }
    EXPECT_TRUE(m_window->strip()->isBlank());
}

TEST_F(PasteCommand, DataColumnAlignmentAndWidthsFollowTheLoad) {
    paste("1\r\n22\r\n333\r\n4444\r\n55555\r\n666666\r\n7777777\r\n88888888\r\n999999999\r\n1234567890123\r\n");
    ASSERT_TRUE(m_messages.empty());
    const QAbstractItemModel* model = m_window->grid()->model();
    EXPECT_EQ(model->data(model->index(0, 0), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHorizontal_Mask,
              Qt::Alignment(Qt::AlignHCenter));
    // The longest text has 13 characters: 96 x 13 = 1248 twips, 83 px.
    for (int c = 0; c < 14; ++c) {
        EXPECT_EQ(m_window->grid()->horizontalHeader()->sectionSize(c), 83) << c;
    }
    EXPECT_EQ(m_window->grid()->verticalHeader()->width(), 67);
    paste(positiveColumn(12));
    EXPECT_EQ(model->data(model->index(0, 0), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHorizontal_Mask,
              Qt::Alignment(Qt::AlignRight));
    EXPECT_EQ(m_window->grid()->horizontalHeader()->sectionSize(0), 67);
}

TEST_F(PasteCommand, NineNumbersAreRefusedWithAWarningAndAJoke) {
    UniformRandomSource twin(kJokeSeed);
    paste(positiveColumn(9));
    ASSERT_EQ(m_messages.size(), 1u);
    const int joke = static_cast<int>(10 * twin.next()) + 1;
    EXPECT_EQ(m_messages[0].text, expectedFailure(joke, kNotEnoughData));
    EXPECT_EQ(m_messages[0].icon, MessageIcon::Exclamation);
    EXPECT_FALSE(m_window->state().Data_ready);
    EXPECT_FALSE(item("mnuRegression")->isEnabled());
    expectEnabled(kPasteMenus, true);
    EXPECT_TRUE(m_window->strip()->isBlank());
    // The cleaned column stays on show.
    EXPECT_FALSE(text(9, 1).isEmpty());
    EXPECT_TRUE(text(9, 2).isEmpty());
}

TEST_F(PasteCommand, EmptyClipboardIsARunTimeErrorWithTheCriticalIcon) {
    UniformRandomSource twin(kJokeSeed);
    QGuiApplication::clipboard()->clear();
    item("mnuPaste")->trigger();
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, expectedFailure(static_cast<int>(10 * twin.next()) + 1, kRuntimeReason));
    EXPECT_EQ(m_messages[0].icon, MessageIcon::Critical);
    EXPECT_FALSE(m_window->state().Data_ready);
    EXPECT_FALSE(item("mnuRegression")->isEnabled());
    expectEnabled(kPasteMenus, true);
}

TEST_F(PasteCommand, TooLongTextIsRefusedWithAWarning) {
    paste(std::string(655361, '7'));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_TRUE(m_messages[0].text.ends_with("\r\n\r\n" + kTooLarge));
    EXPECT_EQ(m_messages[0].icon, MessageIcon::Exclamation);
}

TEST_F(PasteCommand, JokesAreDrawnFromTheRandomSource) {
    UniformRandomSource twin(kJokeSeed);
    for (int k = 0; k < 12; ++k) {
        paste("1\r\n2\r\n");
    }
    ASSERT_EQ(m_messages.size(), 12u);
    for (const ShownMessage& shown : m_messages) {
        EXPECT_EQ(shown.text, expectedFailure(static_cast<int>(10 * twin.next()) + 1, kNotEnoughData));
    }
}

struct ClampCase {
    bool dBox;
    const char* before;
    const char* after;
};

TEST_F(PasteCommand, BringsTheBoxesIntoRangeEvenWhenRefused) {
    const ClampCase cases[] = {
        {true, "150", "99.99999"},
        {true, "-150", "-99.99999"},
        {true, "abc", "abc"},
        {true, "5", "5"},
        {true, "99.99999", "99.99999"},
        {false, "1000", "999"},
        {false, "1024", "999"},
        {false, "0", "1"},
        {false, "-3", "1"},
        {false, "xy", "1"},
        {false, "12", "12"},
        {false, "999", "999"},
    };
    int k = 0;
    for (const ClampCase& c : cases) {
        ParameterBox* box = c.dBox ? m_window->txtDval(k % 10) : m_window->txtIval(k % 10);
        box->setText(QString::fromLatin1(c.before));
        ++k;
    }
    paste(positiveColumn(5));
    ASSERT_EQ(m_messages.size(), 1u);
    k = 0;
    for (const ClampCase& c : cases) {
        ParameterBox* box = c.dBox ? m_window->txtDval(k % 10) : m_window->txtIval(k % 10);
        EXPECT_EQ(box->text(), QString::fromLatin1(c.after)) << c.before;
        ++k;
    }
}

TEST_F(PasteCommand, NumberBeyondDoubleRangeInABoxIsARunTimeError) {
    m_window->txtDval(4)->setText(QStringLiteral("1e400"));
    paste(positiveColumn(20));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].icon, MessageIcon::Critical);
    EXPECT_TRUE(m_messages[0].text.ends_with(kRuntimeReason));
    EXPECT_FALSE(m_window->state().Data_ready);
    // Nothing was loaded: the box was checked before the clipboard was read.
    EXPECT_TRUE(text(1, 1).isEmpty());
}

TEST_F(PasteCommand, RefusalAfterAGoodPasteMarksTheSeriesUnusable) {
    paste(positiveColumn(40));
    ASSERT_TRUE(m_messages.empty());
    const double firstValue = m_window->state().Data_value[1];
    // Leaving a box offers Update Waves; the refused paste leaves it so.
    typeAndLeave(m_window->txtIval(0), QStringLiteral("6"));
    ASSERT_TRUE(isUpdateEnabled());
    paste(positiveColumn(3));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_FALSE(m_window->state().Data_ready);
    EXPECT_EQ(m_window->state().Data_value[1], firstValue);
    EXPECT_FALSE(item("mnuRegression")->isEnabled());
    EXPECT_TRUE(isUpdateEnabled());
    // Update Waves has nothing to work on now.
    item("mnuUpdate")->trigger();
    for (int c = 2; c < 15; ++c) {
        EXPECT_TRUE(text(1, c).isEmpty()) << c;
    }
    EXPECT_FALSE(isUpdateEnabled());
    EXPECT_FALSE(item("mnuRegression")->isEnabled());
    EXPECT_EQ(m_messages.size(), 1u);
}

TEST_F(PasteCommand, NonPositiveDataWithExponentialCheckedFallsBackToLinear) {
    paste(positiveColumn(20));
    ASSERT_TRUE(m_messages.empty());
    item("mnuRegressionType3")->trigger();
    ASSERT_TRUE(item("mnuRegressionType3")->isChecked());
    ASSERT_EQ(label("Label18")->text(), QStringLiteral("Exponential"));

    paste("3\r\n1\r\n4\r\n1\r\n5\r\n9\r\n2\r\n6\r\n0\r\n3\r\n5\r\n");
    EXPECT_TRUE(m_messages.empty());
    EXPECT_TRUE(item("mnuRegressionType1")->isChecked());
    for (const char* name : {"mnuRegressionType2", "mnuRegressionType3", "mnuRegressionType4"}) {
        EXPECT_FALSE(item(name)->isChecked()) << name;
    }
    EXPECT_EQ(label("Label18")->text(), QStringLiteral("Linear"));
    EXPECT_TRUE(label("Label17")->text().startsWith(QStringLiteral("    Y = A + B \u00b7 X      A = ")));
    EXPECT_FALSE(item("mnuRegressionType3")->isEnabled());
    EXPECT_FALSE(item("mnuRegressionType4")->isEnabled());
    EXPECT_TRUE(item("mnuRegressionType2")->isEnabled());
    // A disabled model cannot be chosen.
    item("mnuRegressionType4")->trigger();
    EXPECT_TRUE(item("mnuRegressionType1")->isChecked());
    EXPECT_FALSE(item("mnuRegressionType4")->isChecked());

    paste(positiveColumn(15));
    EXPECT_TRUE(item("mnuRegressionType3")->isEnabled());
    EXPECT_TRUE(item("mnuRegressionType4")->isEnabled());
}

TEST_F(PasteCommand, RefusedNonPositiveDataStillMovesTheModelCheck) {
    paste(positiveColumn(20));
    item("mnuRegressionType4")->trigger();
    ASSERT_TRUE(item("mnuRegressionType4")->isChecked());
    paste("-1\r\n2\r\n3\r\n");
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_TRUE(item("mnuRegressionType1")->isChecked());
    EXPECT_FALSE(item("mnuRegressionType4")->isChecked());
    EXPECT_EQ(label("Label18")->text(), QStringLiteral("Linear"));
    EXPECT_FALSE(item("mnuRegressionType4")->isEnabled());
}

TEST_F(PasteCommand, FocusMovesWhileTheBoxesAreLockedAreNotLeavingThem) {
    m_window->txtDval(3)->setText(QStringLiteral("5"));
    m_window->txtDval(4)->setText(QStringLiteral("7"));
    m_window->txtIval(2)->setText(QStringLiteral("2.6"));
    // A box holding a number no double can hold fails the paste after the boxes are locked.
    m_window->txtDval(9)->setText(QStringLiteral("1e400"));
    m_window->txtDval(3)->setFocus(Qt::TabFocusReason);
    m_window->txtDval(3)->setCursorPosition(0);
    ASSERT_EQ(QApplication::focusWidget(), m_window->txtDval(3));
    paste(positiveColumn(12));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_window->txtDval(3)->text(), QStringLiteral("5"));
    EXPECT_EQ(m_window->txtDval(4)->text(), QStringLiteral("7"));
    EXPECT_EQ(m_window->txtIval(2)->text(), QStringLiteral("2.6"));
    EXPECT_EQ(QApplication::focusWidget(), m_window->txtDval(3));
    // The box got the focus back without being entered anew: nothing selected, the caret where it was.
    EXPECT_FALSE(m_window->txtDval(3)->hasSelectedText());
    EXPECT_EQ(m_window->txtDval(3)->cursorPosition(), 0);
}

TEST_F(PasteCommand, FocusComesBackAfterASuccessfulPasteWithoutLeaving) {
    paste(positiveColumn(25));
    ASSERT_TRUE(m_messages.empty());
    m_window->txtIval(5)->setText(QStringLiteral("3"));
    m_window->txtIval(6)->setText(QStringLiteral("4.4"));
    m_window->txtIval(5)->setFocus(Qt::TabFocusReason);
    paste(positiveColumn(25));
    ASSERT_TRUE(m_messages.empty());
    EXPECT_EQ(QApplication::focusWidget(), m_window->txtIval(5));
    EXPECT_EQ(m_window->txtIval(6)->text(), QStringLiteral("4.4"));
    EXPECT_FALSE(isUpdateEnabled());
}

TEST_F(PasteCommand, GridIsRefreshedAWholeColumnAtATime) {
    QSignalSpy changes(m_window->gridModel(), &QAbstractItemModel::dataChanged);
    paste(positiveColumn(200));
    ASSERT_TRUE(m_messages.empty());
    std::set<int> columns;
    for (const QList<QVariant>& change : changes) {
        const auto topLeft = change[0].value<QModelIndex>();
        const auto bottomRight = change[1].value<QModelIndex>();
        EXPECT_EQ(topLeft.row(), 0);
        EXPECT_EQ(bottomRight.row(), 1499);
        EXPECT_EQ(topLeft.column(), bottomRight.column());
        columns.insert(topLeft.column());
    }
    EXPECT_EQ(columns.size(), 14u);
    // The load, the trend, the oscillation, ten waves and the remainder: a few dozen refreshes at most.
    EXPECT_LE(changes.size(), 40);
}

TEST_F(PasteCommand, WholeColumnOfFifteenHundredValues) {
    paste(positiveColumn(1500));
    ASSERT_TRUE(m_messages.empty());
    EXPECT_EQ(m_window->state().Data_count, 1500);
    EXPECT_FALSE(text(1500, 14).isEmpty());
    EXPECT_TRUE(m_window->strip()->isBlank());
}

} // namespace
} // namespace vantrel::testing
