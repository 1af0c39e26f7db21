// The result grid's keyboard and the names a screen reader reads, on a grid of its own (no window):
// Tab leaves the table, Ctrl+C copies the selected block, and the boxes, the strip and the grid
// carry names.
#include "app/app_identity.h"
#include "app/parameter_box.h"
#include "app/progress_strip.h"
#include "app/result_grid.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QIcon>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <vector>

namespace vantrel {
namespace {

// Table cell (r, c) holds "rRcC", so every copied text says where it came from.
QString cellText(int row, int column) {
    return QStringLiteral("r%1c%2").arg(row).arg(column);
}

// A window with a box before and a box after the grid in the Tab chain, like the window's last box
// and the chain's wrap back to its first box.
class GridTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int r = 1; r < ResultTable::kRows; ++r) {
            for (int c = 1; c < ResultTable::kColumns; ++c) {
                m_table->setText(r, c, cellText(r, c).toStdString());
            }
        }
        auto* layout = new QVBoxLayout(&m_host);
        m_first = new QLineEdit(&m_host);
        m_last = new QLineEdit(&m_host);
        m_grid = new ResultGrid(&m_model, &m_host);
        m_first->setObjectName(QStringLiteral("first box"));
        m_last->setObjectName(QStringLiteral("last box"));
        m_grid->setObjectName(QStringLiteral("grid"));
        layout->addWidget(m_first);
        layout->addWidget(m_last);
        layout->addWidget(m_grid);
        m_host.show();
        m_host.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_host));
    }

    // Selects the given table cells (row, column), the first of them current.
    void selectCells(const std::vector<std::pair<int, int>>& cells) {
        m_grid->selectionModel()->clearSelection();
        for (const auto& [row, column] : cells) {
            m_grid->selectionModel()->select(m_model.index(row - 1, column - 1), QItemSelectionModel::Select);
        }
        const auto [row, column] = cells.front();
        m_grid->selectionModel()->setCurrentIndex(m_model.index(row - 1, column - 1), QItemSelectionModel::NoUpdate);
    }

    std::shared_ptr<ResultTable> m_table = std::make_shared<ResultTable>();
    ResultGridModel m_model{m_table};
    QWidget m_host;
    QLineEdit* m_first = nullptr;
    QLineEdit* m_last = nullptr;
    ResultGrid* m_grid = nullptr;
};

TEST_F(GridTest, TabKeysLeaveTheTableInTheirDirection) {
    struct Case {
        const char* keys;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool forward;
    };
    const Case cases[] = {
        {"Tab", Qt::Key_Tab, Qt::NoModifier, true},
        {"Ctrl+Shift+Tab", Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, false},
    };
    for (const Case& c : cases) {
        selectCells({{5, 3}});
        m_grid->setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(m_grid->hasFocus());
        QTest::keyClick(m_grid, c.key, c.modifiers);
        const QWidget* expected = c.forward ? m_first : m_last;
        EXPECT_EQ(QApplication::focusWidget()->objectName(), expected->objectName()) << c.keys;
        EXPECT_EQ(m_grid->currentIndex(), m_model.index(4, 2)) << c.keys << " moved the current cell";
    }
}

TEST_F(GridTest, CtrlCCopiesTheSelectedBlockRowByRow) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, int>> cells;
        QString expected;
    };
    const QString tab = QStringLiteral("\t");
    const QString lf = QStringLiteral("\n");
    const Case cases[] = {
        {"one cell", {{7, 2}}, cellText(7, 2)},
        {"a block, selected from its bottom right",
         {{3, 5}, {3, 4}, {2, 5}, {2, 4}},
         cellText(2, 4) + tab + cellText(2, 5) + lf + cellText(3, 4) + tab + cellText(3, 5)},
        {"two apart: their rows and columns, the rest empty",
         {{1, 1}, {3, 2}},
         cellText(1, 1) + tab + lf + tab + lf + tab + cellText(3, 2)},
    };
    for (const Case& c : cases) {
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        selectCells(c.cells);
        m_grid->setFocus(Qt::OtherFocusReason);
        QTest::keySequence(m_grid, QKeySequence::Copy);
        EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), c.expected.toStdString()) << c.what;
    }
}

TEST_F(GridTest, ScreenReadersReadTheNamesOfTheGridTheBoxesAndTheStripAndItsProgress) {
    ProgressStrip strip(&m_host);
    ParameterBox firstD(BoxKind::D, 0, &m_host);
    ParameterBox lastI(BoxKind::I, 9, &m_host);
    const std::pair<QWidget*, QString> cases[] = {
        {m_grid, QStringLiteral("Results")},
        {&strip, QStringLiteral("Progress")},
        {&firstD, QStringLiteral("d, wave 1")},
        {&lastI, QStringLiteral("i, wave 10")},
    };
    for (const auto& [widget, name] : cases) {
        QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(reader, nullptr) << name.toStdString();
        EXPECT_EQ(reader->text(QAccessible::Name).toStdString(), name.toStdString());
    }
    strip.setProgressText(QStringLiteral("Wave 4 of 10"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&strip)->text(QAccessible::Description).toStdString(),
              "Wave 4 of 10");
}

TEST(ApplicationIdentity, NamesTheInstalledDesktopEntryAndCarriesTheIcon) {
    applyApplicationIdentity();
    const QFileInfo entry(QStringLiteral(VANTREL_DESKTOP_FILE));
    ASSERT_TRUE(entry.exists());
    EXPECT_EQ((QGuiApplication::desktopFileName() + QStringLiteral(".desktop")).toStdString(),
              entry.fileName().toStdString());
    EXPECT_FALSE(QGuiApplication::windowIcon().pixmap(32, 32).isNull()) << "no icon, or no SVG image support";
}

} // namespace
} // namespace vantrel
