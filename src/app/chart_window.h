#pragma once

#include "app/message_sink.h"
#include "views/chart_geometry.h"

#include <QElapsedTimer>
#include <QList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QThread;

namespace vantrel {

// The drawing area of the chart window. It follows the mouse with a cursor and repaints at most once a
// frame however often its content changes, so that a run feeding it column by column pays for no more
// drawing than a person can see.
class ChartCanvas : public QWidget {
    Q_OBJECT

public:
    static constexpr int kFrameMilliseconds = 16;

    explicit ChartCanvas(QWidget* parent = nullptr);

    void setContent(ChartContent content);
    // Where the content comes from when it is only said to have changed: it is then built once a
    // frame at most, however often the table changes.
    void setContentSource(std::function<ChartContent()> source) { m_source = std::move(source); }
    void contentChanged();
    const ChartContent& content() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void scheduleRepaint();
    void setCursorPoint(std::optional<int> point);

    void takeContent(ChartContent content) const;

    std::function<ChartContent()> m_source;
    mutable ChartContent m_content;
    mutable bool m_contentStale = false;
    std::optional<int> m_cursorPoint;
    bool m_repaintPending = false;
    QElapsedTimer m_lastPaint;
};

// Where the chart window opens in a screen's available area: 900 x 900 at most, smaller where that
// would not fit with the frame a window manager adds, centred.
QRect chartOpeningGeometry(const QRect& available);

// The window "The Vantrel - Chart": the chart of what the result table holds and a Save command.
class ChartWindow : public QWidget {
    Q_OBJECT

public:
    // Without a sink, a failed save is reported in a message box.
    explicit ChartWindow(std::unique_ptr<MessageSink> messages = nullptr, QWidget* parent = nullptr);
    ~ChartWindow() override;

    void setContentSource(std::function<ChartContent()> source) { m_canvas->setContentSource(std::move(source)); }
    void contentChanged() { m_canvas->contentChanged(); }
    const ChartContent& content() const { return m_canvas->content(); }

    // Saves the chart as it is shown now, PNG or SVG by the extension. The picture is drawn here and
    // its file written on a thread of its own, so that a slow disk or a pipe nobody reads does not
    // freeze the window; saveFinished tells the outcome, and a failure is reported.
    void saveTo(const QString& path);
    bool isSaving() const { return !m_writers.isEmpty(); }

signals:
    void saveFinished(const QString& path, bool saved);

public slots:
    // Asks for a file name without stopping the window (a run goes on meanwhile) and saves there the
    // chart as it was when Save was chosen.
    void save();

private:
    void saveContent(const ChartContent& content, const QString& path, QSize size);
    void reportFailure(const QString& path, const QString& text);
    QSize savedSize() const;

    std::unique_ptr<MessageSink> m_messages;
    ChartCanvas* m_canvas;
    QList<QThread*> m_writers;
};

} // namespace vantrel
