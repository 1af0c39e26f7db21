#include "app/run_view.h"

#include "app/frm_vantrel.h"
#include "app/parameter_box.h"
#include "app/progress_strip.h"
#include "app/result_grid.h"
#include "app/vector_state.h"
#include "views/box_editing.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>

namespace vantrel {

namespace {

const QColor kProgressColour(0, 192, 255);
const QColor kAmplitudeSearchColour(255, 223, 223);
const QColor kWavelengthSearchColour(223, 255, 223);

// The analysis runs between the callbacks; each leaves the vector registers as it should find them.
class VectorStateCleared {
public:
    VectorStateCleared() = default;
    VectorStateCleared(const VectorStateCleared&) = delete;
    VectorStateCleared& operator=(const VectorStateCleared&) = delete;
    ~VectorStateCleared() { clearUpperVectorState(); }
};

QString shown(double d) {
    return QString::fromStdString(dBoxText(d));
}

} // namespace

void RunView::restart() {
    m_lastFrame.invalidate();
    clearUpperVectorState();
}

bool RunView::frameDue() const {
    return !m_lastFrame.isValid() || m_lastFrame.elapsed() >= kFrameMilliseconds;
}

WaveModes RunView::modes() {
    const VectorStateCleared cleared;
    return {m_window.m_mnuRMSon->isEnabled(), m_window.m_mnuWavelengthOn->isEnabled()};
}

std::string RunView::iText(int box) {
    const VectorStateCleared cleared;
    return m_window.m_txtIval[box]->text().toStdString();
}

std::string RunView::dText(int box) {
    const VectorStateCleared cleared;
    return m_window.m_txtDval[box]->text().toStdString();
}

void RunView::waveStarted(int wave) {
    const VectorStateCleared cleared;
    m_window.m_strip->box((wave - 1) * 100, 1, wave * 100, 5, kProgressColour);
    m_window.m_strip->repaint();
}

void RunView::searchStarted(int box, SearchKind kind) {
    const VectorStateCleared cleared;
    ParameterBox* target = m_window.m_txtDval[box];
    target->setBackColour(kind == SearchKind::Amplitude ? kAmplitudeSearchColour : kWavelengthSearchColour);
    target->repaint();
}

void RunView::searchStep(int box, double d) {
    const VectorStateCleared cleared;
    ParameterBox* target = m_window.m_txtDval[box];
    target->setText(shown(d));
    if (frameDue()) {
        showStepAndPump(target);
    }
}

void RunView::showStepAndPump(QWidget* box) {
    box->repaint();
    QCoreApplication::processEvents();
    m_lastFrame.start();
    if (m_window.m_closeRequested) {
        throw RunAborted{};
    }
}

void RunView::combinedD(int box, double d) {
    const VectorStateCleared cleared;
    ParameterBox* target = m_window.m_txtDval[box];
    target->setText(shown(d));
    target->repaint();
}

void RunView::waveDone(int wave) {
    const VectorStateCleared cleared;
    m_window.m_gridModel->refreshColumn(ResultTable::kFirstWaveColumn + wave - 1);
    ParameterBox* box = m_window.m_txtDval[wave - 1];
    box->setBackColour(Qt::white);
    box->repaint();
}

void RunView::formulaLine(const std::string& text) {
    const VectorStateCleared cleared;
    m_window.m_label17->setText(QString::fromStdString(text));
    m_window.m_label17->repaint();
}

void RunView::columnFilled(int column) {
    const VectorStateCleared cleared;
    m_window.m_gridModel->refreshColumn(column);
    if (column == ResultTable::kRemainderColumn) {
        // The remainder is the wave view's last column: its progress bar goes.
        m_window.m_strip->clear();
    }
}

void RunView::wavesStarting() {
    const VectorStateCleared cleared;
    m_window.m_mnuUpdate->setEnabled(false);
}

void RunView::scanMark(double x) {
    const VectorStateCleared cleared;
    m_window.m_strip->scanLine(x, kProgressColour);
    if (frameDue()) {
        m_window.m_strip->repaint();
        m_lastFrame.start();
    }
}

void RunView::scanFinished() {
    const VectorStateCleared cleared;
    m_window.m_strip->clear();
    m_window.m_strip->repaint();
}

} // namespace vantrel
