#include "app/progress_strip.h"

#include "app/accessibility.h"

#include <QAccessible>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace vantrel {

ProgressStrip::ProgressStrip(QWidget* parent)
    : QWidget(parent), m_lineMarks(static_cast<size_t>(kScaleWidth * kMarksPerUnit) + 1, false) {
    // Before anything asks for the strip's accessible interface, which is then kept.
    installAccessibleInterfaces();
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(224, 224, 224));
    setPalette(colours);
    setAccessibleName(QStringLiteral("Progress"));
}

void ProgressStrip::setProgressText(const QString& text) {
    // Each change is an event that a screen reader may speak: a repeated text stays silent.
    if (text != accessibleDescription()) {
        setAccessibleDescription(text);
    }
}

void ProgressStrip::announceValue() {
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, waveValue());
        QAccessible::updateAccessibility(&event);
    }
}

double ProgressStrip::pixelX(double x) const {
    return (x - kScaleLeft) * width() / kScaleWidth;
}

double ProgressStrip::pixelY(double y) const {
    return y * height() / kScaleHeight;
}

void ProgressStrip::scanLine(double x, QColor colour) {
    const long mark = std::lround((x - kScaleLeft) * kMarksPerUnit);
    if (mark < 0 || mark >= static_cast<long>(m_lineMarks.size())) {
        return;
    }
    m_lineColour = colour;
    if (!m_lineMarks[mark]) {
        m_lineMarks[mark] = true;
        ++m_lineCount;
        update();
    }
}

void ProgressStrip::box(double x1, double y1, double x2, double y2, QColor colour) {
    m_boxes.push_back({x1, y1, x2, y2, colour});
    announceValue();
    update();
}

void ProgressStrip::clear() {
    std::fill(m_lineMarks.begin(), m_lineMarks.end(), false);
    m_lineCount = 0;
    m_boxes.clear();
    announceValue();
    setProgressText({});
    update();
}

void ProgressStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (const Box& b : m_boxes) {
        const QPointF topLeft(pixelX(std::min(b.x1, b.x2)), pixelY(std::min(b.y1, b.y2)));
        const QPointF bottomRight(pixelX(std::max(b.x1, b.x2)), pixelY(std::max(b.y1, b.y2)));
        painter.fillRect(QRectF(topLeft, bottomRight), b.colour);
    }
    if (m_lineCount == 0) {
        return;
    }
    painter.setPen(m_lineColour);
    const double top = pixelY(1);
    const double bottom = pixelY(6);
    int lastPixel = -1;
    for (size_t mark = 0; mark < m_lineMarks.size(); ++mark) {
        if (!m_lineMarks[mark]) {
            continue;
        }
        const int pixel = static_cast<int>(pixelX(kScaleLeft + static_cast<double>(mark) / kMarksPerUnit));
        if (pixel != lastPixel) {
            painter.drawLine(QPointF(pixel + 0.5, top), QPointF(pixel + 0.5, bottom));
            lastPixel = pixel;
        }
    }
}

} // namespace vantrel
