#include "app/frm_vantrel.h"

#include "app/chart_follower.h"
#include "app/command_scope.h"
#include "app/parameter_box.h"
#include "app/progress_strip.h"
#include "app/result_grid.h"
#include "app/window_colours.h"
#include "app/window_memory.h"
#include "export/clip_text.h"
#include "intake/messages.h"
#include "intake/paste_run.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>

namespace vantrel {

frmVantrel::frmVantrel(std::unique_ptr<MessageSink> messages, std::unique_ptr<RandomSource> random, QWidget* parent)
    : QMainWindow(parent), m_table(std::make_shared<ResultTable>()), m_messages(std::move(messages)),
      m_random(std::move(random)) {
    if (!m_messages) {
        m_messages = std::make_unique<MessageBoxSink>(this);
    }
    m_state.format = numberFormatFor(QLocale().decimalPoint().toStdString());
    setObjectName(QStringLiteral("frmVantrel"));
    setWindowTitle(QStringLiteral("The Vantrel"));
    createControls();
    createMenus();
    fitMenuBar();
    m_runView = std::make_unique<RunView>(runViewParts());
    m_runs = std::make_unique<RunHub>(*m_runView);
    m_chart = std::make_unique<ChartFollower>(
        this, *m_table, [this](const auto& columns, ChartNotice notice) { return chartContent(columns, notice); });
    // The order the views show a notification in: the grid, the chart, then the band.
    m_runs->subscribe(*m_grid);
    m_runs->subscribe(*m_chart);
    m_runs->subscribe(*m_runView);
    Form_Load();
    resize(openingSize());
    rememberGeometry(this, QStringLiteral("window"));
}

RunViewParts frmVantrel::runViewParts() {
    RunViewParts parts;
    parts.dBoxes = m_txtDval;
    parts.iBoxes = m_txtIval;
    parts.strip = m_strip;
    parts.formula = m_label17;
    parts.update = m_mnuUpdate;
    parts.amplitudeOn = m_mnuRMSon;
    parts.wavelengthOn = m_mnuWavelengthOn;
    parts.format = m_state.format;
    parts.closeRequested = [this] { return m_closeRequested; };
    parts.signChecked = [this](bool fellBack, bool nonpositive) { applySignCheck(fellBack, nonpositive); };
    return parts;
}

void frmVantrel::Form_Load() {
    m_state.No_paste_yet = true;
    m_state.Data_ready = false;
    if (!m_random) {
        m_random = std::make_unique<UniformRandomSource>(secondsSinceMidnight());
    }
    fillModelTexts(m_state);
    showModelTexts(RegressionModel::Linear);
    for (int n = 0; n < kWaveCount; ++n) {
        m_txtIval[n]->setText(QString::fromStdString(defaultBoxText(BoxKind::I, m_state.format)));
        m_txtDval[n]->setText(QString::fromStdString(defaultBoxText(BoxKind::D, m_state.format)));
    }
    // The headings, row numbers, widths and alignments are the result table's from its start.
    m_grid->applyColumnWidths(*m_table);
    m_txtDval[0]->setFocus();
}

void frmVantrel::showModelTexts(RegressionModel model) {
    m_label17->setText(QString::fromStdString(m_state.Reg_formula[modelNumber(model)]));
    m_label18->setText(QString::fromStdString(m_state.Reg_name[modelNumber(model)]));
}

QAction* frmVantrel::modelItem(RegressionModel model) const {
    return m_mnuRegressionType[static_cast<std::size_t>(modelNumber(model) - 1)];
}

RegressionModel frmVantrel::checkedModel() const {
    for (const ModelInfo& model : allModels()) {
        if (modelItem(model.id)->isChecked()) {
            return model.id;
        }
    }
    return RegressionModel::Linear;
}

void frmVantrel::checkModel(RegressionModel checked) {
    for (const ModelInfo& model : allModels()) {
        modelItem(model.id)->setChecked(model.id == checked);
    }
}

void frmVantrel::closeEvent(QCloseEvent* event) {
    if (m_running) {
        // The run notices at its next step and ends; the window closes then.
        m_closeRequested = true;
        event->ignore();
        return;
    }
    m_chart->close();
    event->accept();
}

// ---------------------------------------------------------------------------------------------
// The parameter boxes

ParameterBox* frmVantrel::boxOf(BoxKind kind, int index) const {
    return kind == BoxKind::D ? m_txtDval[index] : m_txtIval[index];
}

void frmVantrel::boxFocusGained(ParameterBox* box, Qt::FocusReason reason) {
    if (m_boxesChanging) {
        return;
    }
    if (box == m_enteredBox && ParameterBox::isPassingFocusReason(reason)) {
        return; // back from a menu or a message box
    }
    m_enteredBox = box;
    if (box->kind() == BoxKind::D) {
        txtDval_GotFocus(box->index());
    } else {
        txtIval_GotFocus(box->index());
    }
}

void frmVantrel::boxFocusLost(ParameterBox* box, Qt::FocusReason reason) {
    if (m_boxesChanging || ParameterBox::isPassingFocusReason(reason)) {
        return;
    }
    if (m_enteredBox == box) {
        m_enteredBox = nullptr;
    }
    if (box->kind() == BoxKind::D) {
        txtDval_LostFocus(box->index());
    } else {
        txtIval_LostFocus(box->index());
    }
}

void frmVantrel::txtIval_GotFocus(int index) {
    m_txtIval[index]->selectAll();
}

void frmVantrel::txtDval_GotFocus(int index) {
    ParameterBox* box = m_txtDval[index];
    box->selectAll();
    if (m_state.No_paste_yet) {
        box->setCursorPosition(static_cast<int>(box->text().size()));
    }
}

void frmVantrel::txtIval_LostFocus(int index) {
    ParameterBox* box = m_txtIval[index];
    box->setText(QString::fromStdString(normaliseIText(box->text().toStdString(), m_state.format)));
    if (m_state.Data_ready) {
        m_mnuUpdate->setEnabled(true);
    }
}

void frmVantrel::txtDval_LostFocus(int index) {
    ParameterBox* box = m_txtDval[index];
    box->setText(QString::fromStdString(normaliseDText(box->text().toStdString(), m_state.format)));
    if (m_state.Data_ready) {
        m_mnuUpdate->setEnabled(true);
    }
}

void frmVantrel::lockBoxes() {
    m_boxesChanging = true;
    m_focusBeforeLock = focusWidget();
    for (int n = 0; n < kWaveCount; ++n) {
        m_txtDval[n]->setEnabled(false);
        m_txtIval[n]->setEnabled(false);
    }
    m_focusAfterLock = focusWidget();
    m_boxesChanging = false;
}

void frmVantrel::unlockBoxes() {
    m_boxesChanging = true;
    for (int n = 0; n < kWaveCount; ++n) {
        m_txtDval[n]->setEnabled(true);
        m_txtIval[n]->setEnabled(true);
    }
    // The box the user was in gets the focus back, unless the user has put it elsewhere since.
    auto* box = qobject_cast<ParameterBox*>(m_focusBeforeLock);
    if (box && focusWidget() == m_focusAfterLock) {
        box->setFocus(Qt::OtherFocusReason);
    }
    m_focusBeforeLock = nullptr;
    m_focusAfterLock = nullptr;
    m_boxesChanging = false;
}

// ---------------------------------------------------------------------------------------------
// Commands

void frmVantrel::mnuExit_Click() {
    close();
}

void frmVantrel::mnuChart_Click() {
    m_chart->show();
}

ChartContent frmVantrel::chartContent(const std::bitset<ResultTable::kColumns>& filledColumns,
                                      ChartNotice notice) const {
    std::array<std::string, kWaveCount> dTexts;
    std::array<std::string, kWaveCount> iTexts;
    for (int n = 0; n < kWaveCount; ++n) {
        dTexts[n] = m_txtDval[n]->text().toStdString();
        iTexts[n] = m_txtIval[n]->text().toStdString();
    }
    return chartContentOf({m_state, *m_table, checkedModel(), dTexts, iTexts, filledColumns, notice});
}

void frmVantrel::mnuCopy_Click() {
    QGuiApplication::clipboard()->setText(QString::fromStdString(tableClipText(*m_table)));
    m_grid->selectFirstDataCell();
}

void frmVantrel::mnuRMSon_Click() {
    showPair(m_mnuRMSon, m_mnuRMSoff);
    m_mnuUpdate->setEnabled(true);
}

void frmVantrel::mnuRMSoff_Click() {
    showPair(m_mnuRMSoff, m_mnuRMSon);
    m_mnuUpdate->setEnabled(true);
}

void frmVantrel::mnuWavelengthOn_Click() {
    showPair(m_mnuWavelengthOn, m_mnuWavelengthOff);
    m_mnuUpdate->setEnabled(true);
}

void frmVantrel::mnuWavelengthOff_Click() {
    showPair(m_mnuWavelengthOff, m_mnuWavelengthOn);
    m_mnuUpdate->setEnabled(true);
}

template <typename Work, typename Failure>
void frmVantrel::runCommand(std::initializer_list<QAction*> busyItems, Work work, Failure failure) {
    if (m_running) {
        return; // a click that arrived through the event pump of a run in progress
    }
    {
        CommandScope scope(m_running, busyItems);
        m_runView->restart();
        try {
            work(scope);
        } catch (const RunAborted&) {
            // The window is closing; nothing of the run matters any more.
        } catch (...) {
            // Whatever went wrong is reported like the analysis' run-time error; nothing escapes into
            // the event loop, and the scope still sets the menus.
            try {
                failure();
            } catch (...) {
                // Even the report failed; the menus are still set as the command ends.
            }
        }
    }
    if (m_closeRequested) {
        close(); // asked for during the run, which has ended now
    }
}

void frmVantrel::mnuPaste_Click() {
    pasteFrom([this] { return clipboardTextForPaste(); });
}

void frmVantrel::pasteFrom(const std::function<std::string()>& source) {
    runCommand(
        {m_mnuWaveAuto, m_mnuExit, m_mnuCopy, m_mnuPaste},
        [this, &source](CommandScope& scope) { pasteRun(scope, source); },
        [this] { failPaste(runtimeErrorReason(), MessageIcon::Critical); });
}

void frmVantrel::mnuUpdate_Click() {
    runCommand(
        {m_mnuExit, m_mnuPaste, m_mnuCopy, m_mnuWaveAuto, m_mnuRegression},
        [this](CommandScope& scope) {
            scope.setAtEnd(m_mnuUpdate, false);
            scope.setAtEnd(m_mnuRegression, m_state.Data_ready);
            updateWavesRun();
        },
        [this] { reportRunFailure(); });
}

void frmVantrel::mnuRegressionType_Click(int index) {
    if (index < 1 || index > kModelCount) {
        return;
    }
    runCommand(
        {m_mnuExit, m_mnuPaste, m_mnuCopy, m_mnuWaveAuto, m_mnuRegression},
        [this, index](CommandScope&) { modelSwitchRun(modelWithNumber(index)); }, [this] { reportRunFailure(); });
}

std::string frmVantrel::clipboardTextForPaste() const {
    return pasteTextOf(QGuiApplication::clipboard()->text());
}

void frmVantrel::pasteRun(CommandScope& scope, const std::function<std::string()>& source) {
    lockBoxes();
    const PasteOutcome outcome = runPaste(source(), checkedModel(), m_state, *m_table, *m_runs);
    if (outcome.result != PasteResult::Loaded) {
        failPaste(outcome.reason,
                  outcome.result == PasteResult::Refused ? MessageIcon::Exclamation : MessageIcon::Critical);
        return;
    }
    unlockBoxes();
    m_state.Data_ready = true;
    scope.setAtEnd(m_mnuRegression, true);
}

void frmVantrel::applySignCheck(bool fellBackToLinear, bool nonpositiveData) {
    if (fellBackToLinear) {
        showModelTexts(RegressionModel::Linear);
        checkModel(RegressionModel::Linear);
    }
    for (const ModelInfo& model : allModels()) {
        if (model.logOfData) {
            modelItem(model.id)->setEnabled(!nonpositiveData);
        }
    }
}

void frmVantrel::failPaste(const std::string& reason, MessageIcon icon) {
    m_runs->runFailed(icon == MessageIcon::Exclamation ? RunFailure::Refused : RunFailure::Failed);
    unlockBoxes();
    m_mnuRegression->setEnabled(false);
    m_state.Data_ready = false;
    showFailure(reason, icon);
}

void frmVantrel::showFailure(const std::string& reason, MessageIcon icon) {
    const int joke = jokeNumber(m_random->next());
    m_messages->showFailure(failureMessage(joke, reason), icon);
}

void frmVantrel::reportRunFailure() {
    m_runs->runFailed(RunFailure::Failed);
    showFailure(runtimeErrorReason(), MessageIcon::Critical);
}

void frmVantrel::updateWavesRun() {
    if (m_state.Data_ready) {
        m_runs->runStarting(ResultTable::kFirstWaveColumn);
        runWaveAnalysis(m_state, *m_table, *m_runs);
    }
}

void frmVantrel::modelSwitchRun(RegressionModel model) {
    checkModel(model);
    showModelTexts(model);
    m_runs->runStarting(ResultTable::kRegressionColumn);
    runFullAnalysis(m_state, *m_table, model, *m_runs);
}

} // namespace vantrel
