// The commands that bring a file into the window and take the table out to one: Open..., a file or
// text dropped on the window, a file named on the command line, and Save Table As....

#include "app/column_dialog.h"
#include "app/frm_vantrel.h"
#include "app/window_memory.h"
#include "export/file_writer.h"
#include "export/table_file.h"
#include "intake/delimited_file.h"
#include "intake/file_columns.h"
#include "intake/intake.h"

#include <QAction>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QKeySequence>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>

namespace vantrel {

namespace {

// A file of many columns may be far larger than the one column a Paste takes, but not without end.
constexpr qint64 kMaxOpenedBytes = 64 * 1024 * 1024;

// Files and texts dropped anywhere on the window; the window's own controls take no drops.
class DropReceiver : public QObject {
public:
    DropReceiver(QWidget* window, std::function<void(const QMimeData&)> dropped)
        : QObject(window), m_dropped(std::move(dropped)) {
        window->setAcceptDrops(true);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto* drag = static_cast<QDropEvent*>(event);
            if (isWelcome(*drag->mimeData())) {
                drag->acceptProposedAction();
            }
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            drop->acceptProposedAction();
            m_dropped(*drop->mimeData());
            return true;
        }
        return false;
    }

private:
    static bool isWelcome(const QMimeData& data) {
        return (data.hasUrls() && data.urls().constFirst().isLocalFile()) || data.hasText();
    }

    std::function<void(const QMimeData&)> m_dropped;
};

QString fileFilters() {
    return QStringLiteral("Comma-separated values (*.csv);;Tab-separated values (*.tsv);;Text files (*.txt);;"
                          "All files (*)");
}

} // namespace

void frmVantrel::createFileMenu() {
    QMenu* files = menuBar()->addMenu(QStringLiteral("&File"));
    files->setObjectName(QStringLiteral("mnuFile"));
    m_mnuFile = files->menuAction();
    m_mnuFile->setObjectName(QStringLiteral("mnuFile"));
    m_mnuOpen = files->addAction(QStringLiteral("&Open..."), this, &frmVantrel::mnuOpen_Click);
    m_mnuOpen->setObjectName(QStringLiteral("mnuOpen"));
    m_mnuOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m_mnuSaveTable = files->addAction(QStringLiteral("&Save Table As..."), this, &frmVantrel::mnuSaveTable_Click);
    m_mnuSaveTable->setObjectName(QStringLiteral("mnuSaveTable"));
    m_mnuSaveTable->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    // The menu's items work while the menu is closed, through their shortcuts: the window holds them.
    addAction(m_mnuOpen);
    addAction(m_mnuSaveTable);
    // Busy when Paste and Copy are: every command's scope disables and enables Paste with Copy.
    connect(m_mnuPaste, &QAction::enabledChanged, m_mnuFile, &QAction::setEnabled);
    connect(m_mnuPaste, &QAction::enabledChanged, m_mnuOpen, &QAction::setEnabled);
    connect(m_mnuPaste, &QAction::enabledChanged, m_mnuSaveTable, &QAction::setEnabled);
    installEventFilter(new DropReceiver(this, [this](const QMimeData& data) { dropped(data); }));
}

void frmVantrel::dropped(const QMimeData& data) {
    if (m_running) {
        return;
    }
    if (data.hasUrls() && data.urls().constFirst().isLocalFile()) {
        openFile(data.urls().constFirst().toLocalFile());
    } else {
        const QString text = data.text();
        pasteFrom([text] { return pasteTextOf(text); });
    }
}

void frmVantrel::mnuOpen_Click() {
    if (m_running) {
        return;
    }
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open"), lastFolder(), fileFilters());
    if (!path.isEmpty()) {
        setLastFolderOf(path);
        openFile(path);
    }
}

void frmVantrel::openFile(const QString& path) {
    if (m_running) {
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        showFileFailure(QStringLiteral("Could not open %1: %2").arg(path, file.errorString()));
        return;
    }
    const QByteArray bytes = file.read(kMaxOpenedBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        showFileFailure(QStringLiteral("Could not read %1: %2").arg(path, file.errorString()));
        return;
    }
    if (bytes.size() > kMaxOpenedBytes) {
        showFileFailure(QStringLiteral("Could not open %1: it is larger than 64 MB.").arg(path));
        return;
    }
    std::vector<FileColumn> columns;
    try {
        columns = fileColumns(bytes.toStdString(), m_state.format);
    } catch (const DelimitedFileError& unreadable) {
        showFileFailure(QStringLiteral("Could not open %1: %2").arg(path, QString::fromStdString(unreadable.what())));
        return;
    }
    std::size_t chosen = 0;
    if (columns.size() > 1) {
        const std::optional<std::size_t> choice = chooseColumn(this, columns);
        if (!choice) {
            return;
        }
        chosen = *choice;
    }
    const std::string text = columns.empty() ? std::string() : columns[chosen].text;
    pasteFrom([text] { return text; });
}

void frmVantrel::mnuSaveTable_Click() {
    if (m_running) {
        return;
    }
    QFileDialog dialog(this, QStringLiteral("Save Table As"), lastFolder(), fileFilters());
    dialog.setObjectName(QStringLiteral("SaveTableDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        dialog.setDefaultSuffix(filter.contains(QLatin1String("*.tsv")) ? QStringLiteral("tsv")
                                                                        : QStringLiteral("csv"));
    });
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const QString path = dialog.selectedFiles().constFirst();
        setLastFolderOf(path);
        saveTableTo(path);
    }
}

bool frmVantrel::saveTableTo(const QString& path) {
    const std::string name = path.toStdString();
    const std::string reason =
        writeFileAtomically(name, tableFileText(*m_table, tableFileKindFor(name), decimalSeparator(m_state.format)));
    if (!reason.empty()) {
        showFileFailure(QStringLiteral("Could not save the table to %1: %2").arg(path, QString::fromStdString(reason)));
        return false;
    }
    return true;
}

void frmVantrel::showFileFailure(const QString& text) {
    m_messages->showFailure(text.toStdString(), MessageIcon::Exclamation);
}

// A character takes at most two UTF-16 units: a longer text is refused as too large whatever it
// holds, so only as much of it as shows that is converted.
std::string frmVantrel::pasteTextOf(const QString& text) {
    // A longer text is refused as too large whatever it holds, so only as much of it as shows that is
    // converted.
    constexpr auto kEnoughToRefuse = static_cast<qsizetype>(kEnoughToRefuseUtf16Units);
    return (text.size() > kEnoughToRefuse ? text.left(kEnoughToRefuse) : text).toStdString();
}

} // namespace vantrel
