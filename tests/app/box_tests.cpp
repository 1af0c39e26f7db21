#include "window_fixture.h"

#include "app/parameter_box.h"

#include <QApplication>
#include <QMenu>
#include <QTest>

#include <vector>

namespace vantrel::testing {
namespace {

using ParameterBoxes = WindowTest;

class FocusOutReasons : public QObject {
public:
    explicit FocusOutReasons(QWidget* box) { box->installEventFilter(this); }
    std::vector<Qt::FocusReason> seen;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::FocusOut) {
            seen.push_back(static_cast<QFocusEvent*>(event)->reason());
        }
        return false;
    }
};

struct NormaliseCase {
    const char* typed;
    const char* shown;
};

TEST_F(ParameterBoxes, LeavingAnIBoxRoundsAndBoundsIt) {
    const NormaliseCase cases[] = {
        {"12.3", "12"}, {"0", "1"},   {"-5", "1"},  {"2000", "1024"}, {"abc", "1"},     {"0012", "12"},
        {"0.4", "1"},   {"0.5", "1"}, {"2.5", "3"}, {"1024", "1024"}, {"1025", "1024"},
    };
    for (const NormaliseCase& c : cases) {
        typeAndLeave(m_window->txtIval(3), QString::fromLatin1(c.typed));
        EXPECT_EQ(m_window->txtIval(3)->text(), QString::fromLatin1(c.shown)) << c.typed;
        EXPECT_EQ(QApplication::focusWidget(), m_window->txtIval(4));
    }
}

TEST_F(ParameterBoxes, LeavingADBoxRoundsToFiveDecimalsAndBoundsIt) {
    const NormaliseCase cases[] = {
        {"5", "5.00000"},          {"1.234567", "1.23457"},   {"-150", "-99.99999"},   {"letters", "0.00000"},
        {"1e3", "99.99999"},       {"1e400", "99.99999"},     {"-1e400", "-99.99999"}, {"99.999994", "99.99999"},
        {"99.999995", "99.99999"}, {"-0.000001", "-0.00000"}, {"  7.5x", "7.50000"},
    };
    for (const NormaliseCase& c : cases) {
        typeAndLeave(m_window->txtDval(6), QString::fromLatin1(c.typed));
        EXPECT_EQ(m_window->txtDval(6)->text(), QString::fromLatin1(c.shown)) << c.typed;
    }
}

TEST_F(ParameterBoxes, TypingStopsAtTheMaximumLength) {
    typeAndLeave(m_window->txtIval(0), QStringLiteral("123456"));
    EXPECT_EQ(m_window->txtIval(0)->text(), QStringLiteral("1024"));
    typeAndLeave(m_window->txtDval(0), QStringLiteral("1.2345678901234"));
    EXPECT_EQ(m_window->txtDval(0)->text(), QStringLiteral("1.23457"));
}

TEST_F(ParameterBoxes, EnteringSelectsAllButADBoxBeforeTheFirstPaste) {
    QTest::keyClick(m_window->txtDval(0), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), m_window->txtDval(1));
    EXPECT_FALSE(m_window->txtDval(1)->hasSelectedText());
    EXPECT_EQ(m_window->txtDval(1)->cursorPosition(), 7);

    m_window->txtIval(2)->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(m_window->txtIval(2)->selectedText(), QStringLiteral("8"));
    m_window->txtIval(3)->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(m_window->txtIval(3)->selectedText(), QStringLiteral("8"));

    // Any paste, even a refused one, ends the first-paste rule for good.
    paste("1\r\n");
    ASSERT_EQ(m_messages.size(), 1u);
    m_window->txtDval(5)->setFocus(Qt::BacktabFocusReason);
    EXPECT_EQ(m_window->txtDval(5)->selectedText(), QStringLiteral("0.00000"));
}

TEST_F(ParameterBoxes, LeavingOffersUpdateWavesOnlyOnceASeriesIsAnalysed) {
    QTest::keyClick(m_window->txtDval(0), Qt::Key_Tab);
    EXPECT_FALSE(isUpdateEnabled());
    paste(positiveColumn(20));
    ASSERT_TRUE(m_messages.empty());
    ASSERT_FALSE(isUpdateEnabled());
    // Tabbing through without typing is enough.
    m_window->txtIval(1)->setFocus(Qt::TabFocusReason);
    const QString before = m_window->txtIval(1)->text();
    QTest::keyClick(m_window->txtIval(1), Qt::Key_Tab);
    EXPECT_EQ(m_window->txtIval(1)->text(), before);
    EXPECT_TRUE(isUpdateEnabled());
}

TEST_F(ParameterBoxes, OpeningAMenuIsNotLeavingTheBox) {
    paste(positiveColumn(20));
    ASSERT_TRUE(m_messages.empty());
    ParameterBox* box = m_window->txtDval(2);
    box->setFocus(Qt::TabFocusReason);
    // Moving here left the first box; Update Waves takes that offer back.
    item("mnuUpdate")->trigger();
    ASSERT_FALSE(isUpdateEnabled());
    ASSERT_EQ(QApplication::focusWidget(), box);
    FocusOutReasons reasons(box);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, QStringLiteral("3.5"));
    box->setCursorPosition(1);

    QMenu* menu = item("mnuRegression")->menu();
    menu->popup(m_window->mapToGlobal(QPoint(400, 20)));
    QApplication::processEvents();
    ASSERT_TRUE(menu->isVisible());
    menu->close();
    QApplication::processEvents();

    EXPECT_EQ(reasons.seen, std::vector<Qt::FocusReason>{Qt::PopupFocusReason});
    EXPECT_EQ(QApplication::focusWidget(), box);
    EXPECT_EQ(box->text(), QStringLiteral("3.5"));
    EXPECT_EQ(box->cursorPosition(), 1);
    EXPECT_FALSE(box->hasSelectedText());
    EXPECT_FALSE(isUpdateEnabled());

    // Focus that moves through the menu bar or to another window is not leaving either.
    QFocusEvent toBar(QEvent::FocusOut, Qt::MenuBarFocusReason);
    QApplication::sendEvent(box, &toBar);
    QFocusEvent back(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(box, &back);
    EXPECT_EQ(box->text(), QStringLiteral("3.5"));
    EXPECT_FALSE(isUpdateEnabled());

    QTest::keyClick(box, Qt::Key_Tab);
    EXPECT_EQ(box->text(), QStringLiteral("3.50000"));
    EXPECT_TRUE(isUpdateEnabled());
}

TEST_F(ParameterBoxes, AnotherWindowTakingTheFocusIsNotLeavingTheBox) {
    ParameterBox* box = m_window->txtIval(7);
    box->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(box, QStringLiteral("77.7"));
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_EQ(box->text(), QStringLiteral("77.7"));
    m_window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    EXPECT_EQ(QApplication::focusWidget(), box);
    EXPECT_EQ(box->text(), QStringLiteral("77.7"));
}

} // namespace
} // namespace vantrel::testing
