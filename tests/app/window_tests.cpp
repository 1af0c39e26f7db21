// The window without a run: its controls, menus, boxes, layout, grid keyboard and message box.
#include "window_fixture.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QMenu>
#include <QMessageBox>

namespace vantrel::testing {
namespace {

// Exit, Paste, Copy, Update Waves and Chart are commands on the bar itself. Both adjustments start on
// (their Off items hidden) and Linear checked; Update Waves and Regression Type wait for a series.
TEST_F(WindowTest, StartupBoxesMenusCopyLayoutFocusGridKeysAndAccessibleNames) {
    EXPECT_TRUE(m_window->windowTitle() == QStringLiteral("The Vantrel") && label("Label18")->text() == "Linear");
    // Tab runs through the d boxes, then the i boxes. Before the first paste a d box is entered with
    // the caret at the end; leaving a box offers nothing while no series is loaded.
    for (int k = 0; k < 20; ++k) {
        ParameterBox* box = k < 10 ? m_window->txtDval(k) : m_window->txtIval(k - 10);
        EXPECT_EQ(QApplication::focusWidget(), box) << k;
        EXPECT_EQ(box->text(), QString::fromLatin1(k < 10 ? "0.00000" : "8")) << k;
        EXPECT_EQ(box->selectedText(), k < 10 ? QString() : box->text()) << k;
        EXPECT_TRUE(box->cursorPosition() == box->text().size() && box->maxLength() == (k < 10 ? 10 : 4)) << k;
        QTest::keyClick(box, Qt::Key_Tab);
    }
    expectEnabled({"mnuExit", "mnuPaste", "mnuCopy", "mnuWaveAuto", "mnuChart", "mnuRMSon", "mnuWavelengthOn",
                   "mnuRegressionType1", "mnuRegressionType4"},
                  true);
    expectEnabled({"mnuUpdate", "mnuRegression", "mnuRMSoff", "mnuWavelengthOff"}, false);
    EXPECT_TRUE(item("mnuRegressionType1")->isChecked() && !item("mnuRegressionType4")->isChecked());
    const QAbstractItemModel* model = m_window->gridModel();
    EXPECT_EQ(model->headerData(13, Qt::Horizontal).toString(), QStringLiteral("Remainder"));
    EXPECT_EQ(model->headerData(1499, Qt::Vertical).toString(), text(1500, 0));
    ResultGrid* grid = m_window->grid();
    grid->selectionModel()->select(QItemSelection(model->index(10, 2), model->index(60, 9)),
                                   QItemSelectionModel::ClearAndSelect);
    item("mnuCopy")->trigger();
    // The whole table, headings and row numbers, the selection back on the first cell.
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), tableClipText(m_window->table()));
    EXPECT_EQ(grid->selectionModel()->selectedIndexes(), QModelIndexList{model->index(0, 0)});

    // Each dimension below the minimum (outer 640 x 480) comes back on its own; the strip and the grid
    // follow the client area: 3 px margin left, 2 right, the grid 3 below. While minimized the size is the
    // desktop's business; the minimum comes back with the window.
    const std::tuple<QSize, bool, bool> cases[] = {
        {{500, 600}, true, false}, {{800, 300}, false, true}, {{200, 100}, true, true}, {{1200, 900}, false, false}};
    for (const auto& [requested, widthRestored, heightRestored] : cases) {
        m_window->resize(requested);
        QTest::qWait(20);
        const QSize outer = m_window->frameGeometry().size();
        const QSize asked = requested + outer - m_window->size();
        EXPECT_EQ(outer.width(), widthRestored ? 640 : asked.width()) << requested.width();
        EXPECT_EQ(outer.height(), heightRestored ? 480 : asked.height()) << requested.height();
        const QSize client = m_window->centralWidget()->size();
        EXPECT_TRUE(m_window->strip()->width() == client.width() - 5 && grid->width() == client.width() - 5);
        EXPECT_EQ(grid->geometry().bottom(), client.height() - 4);
    }
    m_window->setWindowState(Qt::WindowMinimized);
    m_window->resize(300, 200);
    QTest::qWait(20);
    EXPECT_EQ(m_window->size(), QSize(300, 200));
    m_window->setWindowState(Qt::WindowNoState);
    QTest::qWait(20);
    EXPECT_TRUE(m_window->frameGeometry().width() >= 640 && m_window->frameGeometry().height() >= 480);

    // Any paste, even a refused one, ends the caret rule; leaving a box, even unchanged, offers Update
    // Waves once a series is analysed. Focus that goes to a popup menu, the menu bar or another window
    // and comes back is not leaving the box.
    paste("1\r\n");
    m_window->txtDval(5)->setFocus(Qt::BacktabFocusReason);
    EXPECT_EQ(m_window->txtDval(5)->selectedText(), QStringLiteral("0.00000"));
    paste(positiveColumn(20));
    ParameterBox* box = m_window->txtDval(2);
    box->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(isUpdateEnabled());
    item("mnuUpdate")->trigger(); // takes back the offer that moving here made
    box->setText(QStringLiteral("3.5"));
    box->setCursorPosition(1);

    QMenu* menu = item("mnuRegression")->menu();
    menu->popup(m_window->mapToGlobal(QPoint(400, 20)));
    QApplication::processEvents();
    ASSERT_TRUE(menu->isVisible());
    menu->close();
    QApplication::processEvents();
    EXPECT_TRUE(QApplication::focusWidget() == box && box->cursorPosition() == 1);

    QFocusEvent toBar(QEvent::FocusOut, Qt::MenuBarFocusReason);
    QApplication::sendEvent(box, &toBar);
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    m_window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    EXPECT_TRUE(QApplication::focusWidget() == box && box->text() == QStringLiteral("3.5") && !isUpdateEnabled());

    QTest::keyClick(box, Qt::Key_Tab);
    EXPECT_TRUE(box->text() == QStringLiteral("3.50000") && isUpdateEnabled());

    // Tab and Ctrl+Shift+Tab leave the grid for the first and the last box, its current cell kept; Ctrl+C
    // copies the block of the selected cells row by row, the cells not selected empty.
    const std::tuple<Qt::Key, Qt::KeyboardModifiers, QWidget*> tabs[] = {
        {Qt::Key_Tab, Qt::NoModifier, m_window->txtDval(0)},
        {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, m_window->txtIval(9)}};
    for (const auto& [key, modifiers, expected] : tabs) {
        grid->setCurrentIndex(model->index(4, 2));
        grid->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(grid, key, modifiers);
        EXPECT_TRUE(QApplication::focusWidget() == expected && grid->currentIndex() == model->index(4, 2)) << key;
    }
    // Table rows and columns count from 1, the model's from 0.
    grid->selectionModel()->select(model->index(0, 0), QItemSelectionModel::ClearAndSelect);
    grid->selectionModel()->select(model->index(2, 1), QItemSelectionModel::Select);
    QTest::keySequence(grid, QKeySequence::Copy);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), text(1, 1) + "\t\n\t\n\t" + text(3, 2));
    paste(positiveColumn(12) + "1e400\r\n"); // fails in the intake, which still shows the table it read
    EXPECT_EQ(grid->selectionModel()->selectedIndexes(), QModelIndexList{model->index(0, 0)});
    // A screen reader names a box by its row and wave, counted from 1.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(m_window->txtIval(9))->text(QAccessible::Name), "i, wave 10");
}

TEST(FailureMessageBox, IsModalWithTheCaptionOneOkButtonAndTheIcon) {
    QWidget owner;
    MessageBoxSink sink(&owner);
    for (const auto& [icon, shownIcon] :
         {std::pair{MessageIcon::Critical, QMessageBox::Critical}, {MessageIcon::Exclamation, QMessageBox::Warning}}) {
        answerDialog<QMessageBox>([&](QMessageBox& shown) {
            EXPECT_TRUE(shown.windowTitle() == QStringLiteral("The Vantrel") && shown.icon() == shownIcon &&
                        shown.buttons().size() == 1 && shown.textFormat() == Qt::PlainText);
            EXPECT_EQ(shown.text(), QStringLiteral("Nice try, but...\n\nYou caused an <b>error</b>."));
            shown.button(QMessageBox::Ok)->click();
        });
        sink.showFailure("Nice try, but...\r\n\r\nYou caused an <b>error</b>.", icon);
    }
}

} // namespace
} // namespace vantrel::testing
