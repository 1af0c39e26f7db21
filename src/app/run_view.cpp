#include "app/run_view.h"

#include "app/parameter_box.h"
#include "app/progress_strip.h"
#include "app/window_colours.h"
#include "views/box_editing.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>

namespace vantrel {

namespace {

// The strip's scale: wave k's cell runs from x = 100 (k - 1) to 100 k, from y = 1 to 5.
constexpr double kCellWidth = 100;
constexpr double kCellTop = 1;
constexpr double kCellBottom = 5;

} // namespace

void RunView::restart() {
    m_lastFrame.invalidate();
    clearUpperVectorState();
}

bool RunView::frameDue() const {
    return !m_lastFrame.isValid() || m_lastFrame.elapsed() >= kFrameMilliseconds;
}

WaveModes RunView::modes() {
    return {m_parts.amplitudeOn->isEnabled(), m_parts.wavelengthOn->isEnabled()};
}

std::string RunView::iText(int box) {
    return m_parts.iBoxes[box]->text().toStdString();
}

std::string RunView::dText(int box) {
    return m_parts.dBoxes[box]->text().toStdString();
}

void RunView::setBoxText(BoxKind kind, int box, const std::string& text) {
    (kind == BoxKind::D ? m_parts.dBoxes : m_parts.iBoxes)[box]->setText(QString::fromStdString(text));
}

void RunView::waveStarted(int wave) {
    m_parts.strip->box((wave - 1) * kCellWidth, kCellTop, wave * kCellWidth, kCellBottom, colours::kProgress);
    m_parts.strip->setProgressText(QStringLiteral("Wave %1 of %2").arg(wave).arg(kWaveCount));
    m_parts.strip->repaint();
}

void RunView::searchStarted(int box, SearchKind kind) {
    ParameterBox* target = m_parts.dBoxes[box];
    target->setBackColour(kind == SearchKind::Amplitude ? colours::kAmplitudeSearch : colours::kWavelengthSearch);
    target->repaint();
}

void RunView::searchStep(int box, double d) {
    ParameterBox* target = m_parts.dBoxes[box];
    target->setText(QString::fromStdString(dBoxText(d, m_parts.format)));
    if (frameDue()) {
        showStepAndPump(target);
    }
}

void RunView::showStepAndPump(QWidget* box) {
    box->repaint();
    QCoreApplication::processEvents();
    m_lastFrame.start();
    if (m_parts.closeRequested()) {
        throw RunAborted{};
    }
}

void RunView::combinedD(int box, double d) {
    ParameterBox* target = m_parts.dBoxes[box];
    target->setText(QString::fromStdString(dBoxText(d, m_parts.format)));
    target->repaint();
}

void RunView::waveDone(int wave) {
    ParameterBox* box = m_parts.dBoxes[wave - 1];
    box->setBackColour(colours::kBoxBackground);
    box->repaint();
}

void RunView::formulaLine(const std::string& text) {
    m_parts.formula->setText(QString::fromStdString(text));
    m_parts.formula->repaint();
}

void RunView::columnFilled(int column) {
    if (column == ResultTable::kRemainderColumn) {
        // The remainder is the wave view's last column: its progress bar goes.
        m_parts.strip->clear();
    }
}

void RunView::wavesStarting() {
    m_parts.update->setEnabled(false);
}

void RunView::scanMark(double x) {
    m_parts.strip->scanLine(x, colours::kProgress);
    if (m_scanMarks++ == 0) {
        m_parts.strip->setProgressText(QStringLiteral("Reading the pasted text"));
    }
    if (frameDue()) {
        m_parts.strip->repaint();
        m_lastFrame.start();
    }
}

void RunView::scanFinished() {
    m_scanMarks = 0;
    m_parts.strip->clear();
    m_parts.strip->repaint();
}

void RunView::intakeFinished() {
    m_parts.strip->clear();
}

void RunView::runFailed(RunFailure /*failure*/) {
    m_parts.strip->clear();
    for (ParameterBox* box : m_parts.dBoxes) {
        box->setBackColour(colours::kBoxBackground);
    }
}

void RunView::signChecked(bool fellBackToLinear, bool nonpositiveData) {
    m_parts.signChecked(fellBackToLinear, nonpositiveData);
}

} // namespace vantrel
