#include "app/result_grid.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionHeader>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

constexpr int kRowHeightPixels = 16;

int tableColumnOf(int modelColumn) {
    return modelColumn + 1;
}

} // namespace

int twipsToPixels(int twips) {
    return static_cast<int>(std::lround(twips / 15.0));
}

ResultGridModel::ResultGridModel(std::shared_ptr<const ResultTable> table, QObject* parent)
    : QAbstractTableModel(parent), m_table(std::move(table)) {}

int ResultGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ResultTable::kRows - 1;
}

int ResultGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ResultTable::kColumns - 1;
}

QVariant ResultGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const int column = tableColumnOf(index.column());
    if (role == Qt::DisplayRole) {
        return QString::fromStdString(m_table->text(index.row() + 1, column));
    }
    if (role == Qt::TextAlignmentRole) {
        const bool centred = column == ResultTable::kDataColumn && m_table->dataColumnCentred();
        return QVariant::fromValue(Qt::Alignment((centred ? Qt::AlignHCenter : Qt::AlignRight) | Qt::AlignVCenter));
    }
    return {};
}

QVariant ResultGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    }
    if (role != Qt::DisplayRole || section < 0) {
        return {};
    }
    if (orientation == Qt::Horizontal) {
        return section < columnCount() ? QString::fromStdString(m_table->text(0, tableColumnOf(section))) : QVariant();
    }
    return section < rowCount() ? QString::fromStdString(m_table->text(section + 1, 0)) : QVariant();
}

void ResultGridModel::refreshColumn(int tableColumn) {
    const int column = tableColumn - 1;
    emit dataChanged(index(0, column), index(rowCount() - 1, column), {Qt::DisplayRole, Qt::TextAlignmentRole});
}

void ResultGridModel::refreshAllColumns() {
    for (int c = 1; c < ResultTable::kColumns; ++c) {
        refreshColumn(c);
    }
}

QString ResultGridModel::cornerText() const {
    return QString::fromStdString(m_table->text(0, 0));
}

ResultGrid::ResultGrid(ResultGridModel* model, QWidget* parent) : QTableView(parent), m_model(model) {
    setModel(model);
    setWordWrap(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(kRowHeightPixels);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    // Qt keeps each row at least as high as the style needs for the font's text; the heading row
    // keeps up with it, so no heading is cut however large the desktop font.
    horizontalHeader()->setFixedHeight(std::max(kRowHeightPixels + 2, verticalHeader()->minimumSectionSize()));
    constexpr int kRowNumberRoom = 10;
    const int widestRowNumber = fontMetrics().horizontalAdvance(QStringLiteral(" 1500")) + kRowNumberRoom;
    verticalHeader()->setFixedWidth(std::max(twipsToPixels(ResultTable::kStartWidthTwips), widestRowNumber));
    // Tab and Shift+Tab leave the table for the boxes instead of walking its 21000 cells.
    setTabKeyNavigation(false);
    setAccessibleName(QStringLiteral("Results"));
    if (auto* corner = findChild<QAbstractButton*>()) {
        corner->installEventFilter(this);
    }
}

// The widths in twips allow 96 twips (6.4 pixels) for a character; a larger desktop font widens
// the columns in proportion, and no heading is cut.
void ResultGrid::intakeFinished() {
    m_model->refreshAllColumns();
    applyColumnWidths(m_model->table());
    selectFirstDataCell();
}

void ResultGrid::columnFilled(int column) {
    m_model->refreshColumn(column);
}

// What a failed run leaves of the table is shown as it stands.
void ResultGrid::runFailed(RunFailure /*failure*/) {
    m_model->refreshAllColumns();
}

void ResultGrid::applyColumnWidths(const ResultTable& table) {
    constexpr double kPixelsPerCharacter = 6.4;
    constexpr int kHeadingRoom = 8;
    const double digit = QFontMetricsF(font()).horizontalAdvance(QLatin1Char('0'));
    const double scale = std::max(1.0, digit / kPixelsPerCharacter);
    const QFontMetrics headingMetrics(horizontalHeader()->font());
    for (int c = 1; c < ResultTable::kColumns; ++c) {
        const int forDigits = static_cast<int>(std::lround(twipsToPixels(table.columnWidthTwips(c)) * scale));
        const int forHeading =
            headingMetrics.horizontalAdvance(QString::fromStdString(table.text(0, c))) + kHeadingRoom;
        horizontalHeader()->resizeSection(c - 1, std::max(forDigits, forHeading));
    }
}

void ResultGrid::selectFirstDataCell() {
    const QModelIndex first = model()->index(0, 0);
    setCurrentIndex(first);
    selectionModel()->select(first, QItemSelectionModel::ClearAndSelect);
}

QString ResultGrid::selectedBlockText() const {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (selected.isEmpty()) {
        return {};
    }
    int top = selected.first().row(), bottom = top, left = selected.first().column(), right = left;
    for (const QModelIndex& index : selected) {
        top = std::min(top, index.row());
        bottom = std::max(bottom, index.row());
        left = std::min(left, index.column());
        right = std::max(right, index.column());
    }
    QStringList lines;
    for (int row = top; row <= bottom; ++row) {
        QStringList cells;
        for (int column = left; column <= right; ++column) {
            const QModelIndex index = m_model->index(row, column);
            cells << (selectionModel()->isSelected(index) ? index.data().toString() : QString());
        }
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n'));
}

bool ResultGrid::event(QEvent* event) {
    // The grid's own copy wins over any window shortcut on the same keys while the grid has focus.
    if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        event->accept();
        return true;
    }
    return QTableView::event(event);
}

void ResultGrid::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        QGuiApplication::clipboard()->setText(selectedBlockText());
        event->accept();
        return;
    }
    const bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (tab && (event->modifiers() & Qt::ControlModifier)) {
        // Ctrl+Tab is the way out of widgets that keep Tab for themselves; the table keeps neither.
        focusNextPrevChild(event->key() == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier));
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

bool ResultGrid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        if (auto* corner = qobject_cast<QAbstractButton*>(watched)) {
            paintCorner(corner);
            return true;
        }
    }
    return QTableView::eventFilter(watched, event);
}

void ResultGrid::paintCorner(QWidget* corner) {
    QStyleOptionHeader option;
    option.initFrom(corner);
    option.rect = corner->rect();
    option.position = QStyleOptionHeader::OnlyOneSection;
    option.text = m_model->cornerText();
    option.textAlignment = Qt::AlignCenter;
    QPainter painter(corner);
    corner->style()->drawControl(QStyle::CE_Header, &option, &painter, corner);
}

} // namespace vantrel
