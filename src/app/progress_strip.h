#pragma once

#include <QColor>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace vantrel {

// Picture1: the thin strip that shows the progress of a paste's scan and of the wave view. Its drawing
// scale runs from x = -1 at the left edge to x = 1003 at the right edge and from y = 0 at the top to
// y = 7 at the bottom, whatever its size; the marks are kept in that scale so a resize keeps them.
class ProgressStrip : public QWidget {
    Q_OBJECT

public:
    static constexpr double kScaleLeft = -1;
    static constexpr double kScaleWidth = 1004;
    static constexpr double kScaleHeight = 7;

    explicit ProgressStrip(QWidget* parent = nullptr);

    // A vertical line from (x, 1) to (x, 6).
    void scanLine(double x, QColor colour);
    // A filled box with corners (x1, y1) and (x2, y2).
    void box(double x1, double y1, double x2, double y2, QColor colour);
    void clear();

    // What the marks show, for those who cannot see them ("Wave 4 of 10"); an empty text when idle.
    void setProgressText(const QString& text);

    // For a screen reader: the number of waves begun, 0 to 10.
    static constexpr int kWaveValueMaximum = 10;
    int waveValue() const { return std::min(static_cast<int>(m_boxes.size()), kWaveValueMaximum); }

    bool isBlank() const { return m_lineCount == 0 && m_boxes.empty(); }

    // Pixel position of a scale coordinate.
    double pixelX(double x) const;
    double pixelY(double y) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void announceValue();

    struct Box {
        double x1, y1, x2, y2;
        QColor colour;
    };

    // A scan draws up to a million lines over the same few hundred pixels: they are kept as marks on a
    // grid of a quarter scale unit, finer than any screen shows the strip.
    static constexpr int kMarksPerUnit = 4;
    std::vector<bool> m_lineMarks;
    int m_lineCount = 0;
    QColor m_lineColour;
    std::vector<Box> m_boxes;
};

} // namespace vantrel
