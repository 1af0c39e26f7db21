#include "app/column_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace vantrel {

std::optional<std::size_t> chooseColumn(QWidget* parent, const std::vector<FileColumn>& columns) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("ColumnDialog"));
    dialog.setWindowTitle(QStringLiteral("Open - Choose a Column"));
    dialog.setAccessibleName(QStringLiteral("Choose the column to load"));

    auto* prompt = new QLabel(QStringLiteral("The file has %1 columns. Load &column:").arg(columns.size()), &dialog);
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("ColumnList"));
    list->setAccessibleName(QStringLiteral("Columns of the file"));
    prompt->setBuddy(list);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const QString caption = QString::fromStdString(columns[c].caption).simplified();
        list->addItem(QStringLiteral("%1: %2").arg(c + 1).arg(caption));
    }
    list->setCurrentRow(static_cast<int>(firstNumericColumn(columns)));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemActivated, &dialog, &QDialog::accept);

    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(prompt);
    layout->addWidget(list);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(list->currentRow());
}

} // namespace vantrel
