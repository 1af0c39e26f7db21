#include "app/run_view.h"

#include "app/parameter_box.h"
#include "app/progress_strip.h"
#include "app/vector_state.h"
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

template <typename Work> void VectorStateGuard::after(Work work) {
    // Cleared also when the view throws (a close during the run).
    struct Clear {
        ~Clear() { clearUpperVectorState(); }
    } clear;
    work();
}

template <typename T> T VectorStateGuard::cleared(T value) {
    clearUpperVectorState();
    return value;
}

WaveModes VectorStateGuard::modes() {
    return cleared(m_view.modes());
}
std::string VectorStateGuard::iText(int box) {
    return cleared(m_view.iText(box));
}
std::string VectorStateGuard::dText(int box) {
    return cleared(m_view.dText(box));
}
void VectorStateGuard::waveStarted(int wave) {
    after([&] { m_view.waveStarted(wave); });
}
void VectorStateGuard::searchStarted(int box, SearchKind kind) {
    after([&] { m_view.searchStarted(box, kind); });
}
void VectorStateGuard::searchStep(int box, double d) {
    after([&] { m_view.searchStep(box, d); });
}
void VectorStateGuard::combinedD(int box, double d) {
    after([&] { m_view.combinedD(box, d); });
}
void VectorStateGuard::waveDone(int wave) {
    after([&] { m_view.waveDone(wave); });
}
void VectorStateGuard::formulaLine(const std::string& text) {
    after([&] { m_view.formulaLine(text); });
}
void VectorStateGuard::columnFilled(int column) {
    after([&] { m_view.columnFilled(column); });
}
void VectorStateGuard::wavesStarting() {
    after([&] { m_view.wavesStarting(); });
}
void VectorStateGuard::scanMark(double x) {
    after([&] { m_view.scanMark(x); });
}
void VectorStateGuard::scanFinished() {
    after([&] { m_view.scanFinished(); });
}
void VectorStateGuard::setBoxText(BoxKind kind, int box, const std::string& text) {
    after([&] { m_view.setBoxText(kind, box, text); });
}
void VectorStateGuard::intakeFinished() {
    after([&] { m_view.intakeFinished(); });
}
void VectorStateGuard::signChecked(bool fellBackToLinear, bool nonpositiveData) {
    after([&] { m_view.signChecked(fellBackToLinear, nonpositiveData); });
}

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
    m_parts.columnFilled(column);
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
    m_parts.intakeFinished();
}

void RunView::signChecked(bool fellBackToLinear, bool nonpositiveData) {
    m_parts.signChecked(fellBackToLinear, nonpositiveData);
}

} // namespace vantrel
