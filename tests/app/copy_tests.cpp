#include "window_fixture.h"

#include "app/result_grid.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>

namespace vantrel::testing {
namespace {

using CopyCommand = WindowTest;

QStringList copiedLines() {
    return QGuiApplication::clipboard()->text().split(QLatin1Char('\r'));
}

TEST_F(CopyCommand, BeforeAnyPasteCopiesHeadingsAndRowNumbers) {
    setClipboard("something else");
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
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(CopyCommand, LeavesTheFirstDataCellSelected) {
    ResultGrid* grid = m_window->grid();
    grid->setCurrentIndex(grid->model()->index(40, 6));
    grid->selectionModel()->select(QItemSelection(grid->model()->index(10, 2), grid->model()->index(60, 9)),
                                   QItemSelectionModel::ClearAndSelect);
    item("mnuCopy")->trigger();
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(0, 0));
    const QModelIndexList selected = grid->selectionModel()->selectedIndexes();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.front(), grid->model()->index(0, 0));
}

TEST_F(CopyCommand, AfterAPasteOfTenValuesCopiesTheShownTexts) {
    paste(positiveColumn(10));
    ASSERT_TRUE(m_messages.empty());
    item("mnuCopy")->trigger();
    const QStringList lines = copiedLines();
    ASSERT_EQ(lines.size(), 1501);
    for (int row = 1; row <= 1500; ++row) {
        const QStringList fields = lines[row].split(QLatin1Char('\t'));
        ASSERT_EQ(fields.size(), 15) << row;
        EXPECT_EQ(fields[0], QStringLiteral(" %1").arg(row));
        for (int c = 1; c < 15; ++c) {
            EXPECT_EQ(fields[c], text(row, c)) << row << " " << c;
            EXPECT_EQ(fields[c].isEmpty(), row > 10) << row << " " << c;
        }
    }
}

} // namespace
} // namespace vantrel::testing
