#include "app/chart_window.h"

#include "app/accessibility.h"
#include "app/chart_painter.h"
#include "app/window_memory.h"
#include "views/chart_description.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>
#include <utility>

namespace vantrel {

namespace {

constexpr int kChartSide = 900;
// Room for the frame a window manager puts around the window, which is not known before it is shown.
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 48;

ChartStyle styleOf(const QWidget* canvas) {
    return chartStyleFor(canvas->palette(), canvas->font());
}

} // namespace

QRect chartOpeningGeometry(const QRect& available) {
    const QSize size(std::min(kChartSide, available.width() - kFrameWidth),
                     std::min(kChartSide, available.height() - kFrameHeight));
    const QPoint frameCorner(available.left() + (available.width() - size.width() - kFrameWidth) / 2,
                             available.top() + (available.height() - size.height() - kFrameHeight) / 2);
    return {frameCorner, size};
}

ChartCanvas::ChartCanvas(QWidget* parent) : QWidget(parent) {
    // Before anything asks for the canvas's or its window's accessible interface, which is then kept.
    installAccessibleInterfaces();
    setObjectName(QStringLiteral("ChartCanvas"));
    setAccessibleName(QStringLiteral("Chart of the series and its components"));
    setMouseTracking(true);
    setMinimumSize(kMinChartSide, kMinChartSide);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ChartCanvas::setContent(ChartContent content) {
    m_contentStale = false;
    takeContent(std::move(content));
    scheduleRepaint();
}

void ChartCanvas::takeContent(ChartContent content) const {
    m_content = std::move(content);
    auto* self = const_cast<ChartCanvas*>(this);
    if (m_cursorPoint && *m_cursorPoint > m_content.pointCount) {
        self->m_cursorPoint.reset();
    }
    self->setAccessibleDescription(QString::fromStdString(chartDescription(m_content)));
}

void ChartCanvas::contentChanged() {
    m_contentStale = true;
    scheduleRepaint();
}

const ChartContent& ChartCanvas::content() const {
    if (m_contentStale && m_source) {
        m_contentStale = false;
        takeContent(m_source());
    }
    return m_content;
}

void ChartCanvas::scheduleRepaint() {
    if (m_repaintPending) {
        return;
    }
    m_repaintPending = true;
    const qint64 sinceLast = m_lastPaint.isValid() ? m_lastPaint.elapsed() : kFrameMilliseconds;
    const int delay = static_cast<int>(std::max<qint64>(0, kFrameMilliseconds - sinceLast));
    QTimer::singleShot(delay, this, [this] {
        m_repaintPending = false;
        update();
    });
}

void ChartCanvas::setCursorPoint(std::optional<int> point) {
    if (point != m_cursorPoint) {
        m_cursorPoint = point;
        scheduleRepaint();
    }
}

void ChartCanvas::paintEvent(QPaintEvent*) {
    m_lastPaint.restart();
    QPainter painter(this);
    paintChart(painter, rect(), content(), m_cursorPoint, styleOf(this));
}

void ChartCanvas::mouseMoveEvent(QMouseEvent* event) {
    const ChartLayout layout = chartLayoutFor(rect(), m_content, this, styleOf(this).fontScale);
    const QPointF position = event->position();
    setCursorPoint(pointAtPixel(layout, position.x(), position.y()));
}

void ChartCanvas::leaveEvent(QEvent*) {
    setCursorPoint(std::nullopt);
}

ChartWindow::ChartWindow(std::unique_ptr<MessageSink> messages, QWidget* parent)
    : QWidget(parent, Qt::Window), m_messages(std::move(messages)), m_canvas(new ChartCanvas(this)) {
    if (!m_messages) {
        m_messages = std::make_unique<MessageBoxSink>(this);
    }
    setObjectName(QStringLiteral("ChartWindow"));
    setWindowTitle(QStringLiteral("The Vantrel - Chart"));
    const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect opening = chartOpeningGeometry(screen->availableGeometry());
    resize(opening.size());
    move(opening.topLeft());
    rememberGeometry(this, QStringLiteral("chart"));
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);
    }

    auto* saveButton = new QPushButton(QStringLiteral("&Save..."), this);
    saveButton->setObjectName(QStringLiteral("ChartSave"));
    saveButton->setAccessibleName(QStringLiteral("Save the chart as PNG or SVG"));
    connect(saveButton, &QPushButton::clicked, this, &ChartWindow::save);
    auto* shortcut = new QShortcut(QKeySequence::Save, this);
    connect(shortcut, &QShortcut::activated, this, &ChartWindow::save);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 6);
    layout->addWidget(m_canvas, 1);
    layout->addLayout(buttons);
    buttons->setContentsMargins(6, 0, 6, 0);

    m_canvas->setContent(chartSkeleton(0));
}

// A close while a file is written waits for it: the file is either whole or not there.
ChartWindow::~ChartWindow() {
    for (QThread* writer : std::as_const(m_writers)) {
        writer->wait();
        delete writer;
    }
}

QSize ChartWindow::savedSize() const {
    return {std::clamp(m_canvas->width(), kMinChartSide, kMaxChartSide),
            std::clamp(m_canvas->height(), kMinChartSide, kMaxChartSide)};
}

void ChartWindow::saveTo(const QString& path) {
    saveContent(m_canvas->content(), path, savedSize());
}

void ChartWindow::reportFailure(const QString& path, const QString& text) {
    m_messages->showFailure(text.toStdString(), MessageIcon::Exclamation);
    emit saveFinished(path, false);
}

void ChartWindow::saveContent(const ChartContent& content, const QString& path, QSize size) {
    QString error;
    const QByteArray bytes = chartFileBytes(content, path, size, &error);
    if (bytes.isEmpty()) {
        reportFailure(path, error);
        return;
    }
    auto reason = std::make_shared<QString>();
    QThread* writer = QThread::create([path, bytes, reason] { *reason = writeChartFile(path, bytes); });
    m_writers.append(writer);
    connect(writer, &QThread::finished, this, [this, writer, path, reason] {
        m_writers.removeOne(writer);
        writer->wait();
        writer->deleteLater();
        if (!reason->isEmpty()) {
            reportFailure(path, QString("Could not write the chart to %1: %2").arg(path, *reason));
        } else {
            emit saveFinished(path, true);
        }
    });
    writer->start();
}

void ChartWindow::save() {
    auto* dialog = new QFileDialog(this, QStringLiteral("Save Chart"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    const QString pngFilter = QStringLiteral("PNG image (*.png)");
    dialog->setNameFilters({pngFilter, QStringLiteral("SVG drawing (*.svg)")});
    dialog->setDefaultSuffix(QStringLiteral("png"));
    connect(dialog, &QFileDialog::filterSelected, dialog, [dialog, pngFilter](const QString& filter) {
        dialog->setDefaultSuffix(filter == pngFilter ? QStringLiteral("png") : QStringLiteral("svg"));
    });
    connect(dialog, &QFileDialog::fileSelected, this,
            [this, content = m_canvas->content(), size = savedSize()](const QString& path) {
                saveContent(content, path, size);
            });
    dialog->open();
}

} // namespace vantrel
