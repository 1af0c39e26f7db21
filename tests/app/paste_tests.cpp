// Paste end to end through the real clipboard: the columns, the failure path, the boxes and the focus.
#include "window_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>

namespace vantrel::testing {
namespace {

using PasteCommand = WindowTest;

const std::vector<const char*> kPasteMenus = {"mnuWaveAuto", "mnuExit", "mnuCopy", "mnuPaste"};

// What the table holds is vantrel-batch's business (batch_equivalence_tests); here the window's state.
TEST_F(PasteCommand, ValidColumnLoadsWithoutAMessageAndOffersEveryCommand) {
    paste(positiveColumn(30));
    EXPECT_TRUE(m_messages.empty());
    EXPECT_TRUE(m_window->state().Data_ready);
    EXPECT_FALSE(m_window->state().No_paste_yet);
    EXPECT_EQ(m_window->state().Decimals, 3);
    expectEnabled(kRunMenus, true);
    EXPECT_FALSE(isUpdateEnabled());
    EXPECT_TRUE(text(31, 1).isEmpty());
    EXPECT_TRUE(m_window->strip()->isBlank());
}

TEST_F(PasteCommand, DataColumnAlignmentAndWidthsFollowTheLoad) {
    paste("1\r\n22\r\n333\r\n4444\r\n55555\r\n666666\r\n7777777\r\n88888888\r\n999999999\r\n1234567890123\r\n");
    ASSERT_TRUE(m_messages.empty());
    const QAbstractItemModel* model = m_window->grid()->model();
    auto dataAlignment = [model] {
        return model->data(model->index(0, 0), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHorizontal_Mask;
    };
    EXPECT_EQ(dataAlignment(), Qt::Alignment(Qt::AlignHCenter));
    // The longest text has 13 characters: 96 x 13 = 1248 twips, 83 px.
    EXPECT_EQ(m_window->grid()->horizontalHeader()->sectionSize(0), 83);
    EXPECT_EQ(m_window->grid()->horizontalHeader()->sectionSize(13), 83);
    EXPECT_EQ(m_window->grid()->verticalHeader()->width(), 67);
    paste(positiveColumn(12));
    EXPECT_EQ(dataAlignment(), Qt::Alignment(Qt::AlignRight));
    EXPECT_EQ(m_window->grid()->horizontalHeader()->sectionSize(0), 67);
}

// A refusal shows the exclamation icon, a run-time error the critical one; each message starts with
// the next joke drawn. The cleaned column of a refused paste stays on show.
TEST_F(PasteCommand, RefusalsAndErrorsShowAJokeAndTheirReason) {
    const struct {
        std::string text;
        const std::string& reason;
        MessageIcon icon;
    } cases[] = {{positiveColumn(9), kNotEnoughData, MessageIcon::Exclamation},
                 {"", kRuntimeReason, MessageIcon::Critical},
                 {std::string(655361, '7'), kTooLarge, MessageIcon::Exclamation},
                 {"1\r\n2\r\n", kNotEnoughData, MessageIcon::Exclamation}};
    for (const auto& c : cases) {
        m_messages.clear();
        if (c.text.empty()) {
            QGuiApplication::clipboard()->clear();
            item("mnuPaste")->trigger();
        } else {
            paste(c.text);
        }
        ASSERT_EQ(m_messages.size(), 1u);
        EXPECT_EQ(m_messages[0].text, nextFailure(c.reason));
        EXPECT_EQ(m_messages[0].icon, c.icon);
        EXPECT_FALSE(m_window->state().Data_ready);
        EXPECT_FALSE(item("mnuRegression")->isEnabled());
        expectEnabled(kPasteMenus, true);
        EXPECT_TRUE(m_window->strip()->isBlank());
    }
    EXPECT_FALSE(text(2, 1).isEmpty());
    EXPECT_TRUE(text(2, 2).isEmpty());
}

// Texts beyond the bounds are brought in before the clipboard is read, also when the paste is refused.
TEST_F(PasteCommand, BringsTheBoxesIntoRangeEvenWhenRefused) {
    const struct {
        bool dBox;
        const char* before;
        const char* after;
    } cases[] = {{true, "-150", "-99.99999"}, {true, "abc", "abc"}, {false, "1000", "999"}, {false, "xy", "1"}};
    for (int k = 0; k < 4; ++k) {
        (cases[k].dBox ? m_window->txtDval(k) : m_window->txtIval(k))->setText(cases[k].before);
    }
    paste(positiveColumn(5));
    ASSERT_EQ(m_messages.size(), 1u);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ((cases[k].dBox ? m_window->txtDval(k) : m_window->txtIval(k))->text(),
                  QString::fromLatin1(cases[k].after))
            << cases[k].before;
    }
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
    EXPECT_TRUE(text(1, 2).isEmpty() && text(1, 14).isEmpty());
    EXPECT_FALSE(isUpdateEnabled());
    EXPECT_FALSE(item("mnuRegression")->isEnabled());
    EXPECT_EQ(m_messages.size(), 1u);
}

// Also a refused paste of such data moves the check and rules out Exponential and Power.
TEST_F(PasteCommand, NonPositiveDataWithExponentialCheckedFallsBackToLinear) {
    const std::string withZero = "3\r\n1\r\n4\r\n1\r\n5\r\n9\r\n2\r\n6\r\n0\r\n3\r\n5\r\n";
    for (const std::string& text : {withZero, std::string("-1\r\n2\r\n3\r\n")}) {
        paste(positiveColumn(20));
        ASSERT_TRUE(item("mnuRegressionType3")->isEnabled());
        item("mnuRegressionType3")->trigger();
        ASSERT_EQ(label("Label18")->text(), QStringLiteral("Exponential"));
        paste(text);
        EXPECT_EQ(m_messages.size(), text == withZero ? 0u : 1u);
        EXPECT_TRUE(item("mnuRegressionType1")->isChecked() && !item("mnuRegressionType3")->isChecked());
        EXPECT_EQ(label("Label18")->text(), QStringLiteral("Linear"));
        EXPECT_TRUE(label("Label17")->text().startsWith(QStringLiteral("    Y = A + B \u00b7 X      A = ")));
        EXPECT_FALSE(item("mnuRegressionType3")->isEnabled());
        EXPECT_FALSE(item("mnuRegressionType4")->isEnabled());
        EXPECT_TRUE(item("mnuRegressionType2")->isEnabled());
    }
}

// Disabling the boxes moves the focus from box to box; those moves are not the user leaving them, and
// the box that had the focus gets it back, the caret where it was.
TEST_F(PasteCommand, FocusMovesWhileTheBoxesAreLockedAreNotLeavingThem) {
    m_window->txtDval(3)->setText(QStringLiteral("5"));
    m_window->txtIval(2)->setText(QStringLiteral("2.6"));
    // A box holding a number no double can hold fails the paste after the boxes are locked.
    m_window->txtDval(9)->setText(QStringLiteral("1e400"));
    m_window->txtDval(3)->setFocus(Qt::TabFocusReason);
    m_window->txtDval(3)->setCursorPosition(0);
    paste(positiveColumn(12));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, nextFailure(kRuntimeReason));
    EXPECT_TRUE(text(1, 1).isEmpty()); // failed before the clipboard was read
    EXPECT_EQ(m_window->txtDval(3)->text(), QStringLiteral("5"));
    EXPECT_EQ(m_window->txtIval(2)->text(), QStringLiteral("2.6"));
    EXPECT_EQ(QApplication::focusWidget(), m_window->txtDval(3));
    EXPECT_FALSE(m_window->txtDval(3)->hasSelectedText());
    EXPECT_EQ(m_window->txtDval(3)->cursorPosition(), 0);

    m_window->txtDval(9)->setText(QStringLiteral("0"));
    paste(positiveColumn(25));
    ASSERT_EQ(m_messages.size(), 1u);
    m_window->txtIval(5)->setText(QStringLiteral("3"));
    m_window->txtIval(6)->setText(QStringLiteral("4.4"));
    m_window->txtIval(5)->setFocus(Qt::TabFocusReason);
    paste(positiveColumn(25));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(QApplication::focusWidget(), m_window->txtIval(5));
    EXPECT_EQ(m_window->txtIval(6)->text(), QStringLiteral("4.4"));
    EXPECT_FALSE(isUpdateEnabled());
}

} // namespace
} // namespace vantrel::testing
