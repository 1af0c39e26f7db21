#include "app/frm_vantrel.h"

#include "analysis/runtime_error.h"
#include "app/parameter_box.h"
#include "app/progress_strip.h"
#include "app/result_grid.h"
#include "app/run_view.h"
#include "export/clip_text.h"
#include "intake/intake.h"
#include "intake/messages.h"
#include "views/analysis_views.h"
#include "views/box_editing.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include <initializer_list>

namespace vantrel {

namespace {

// Positions and sizes of the fixed band, in pixels (twips / 15).
constexpr int kBandLeft = 3;
constexpr int kBandWidth = 627;
constexpr int kRowHeight = 17;
constexpr int kCaptionWidth = 67;
constexpr int kFormulaWidth = 561;
constexpr int kColumnLeft = 69;
constexpr int kColumnPitch = 56;
constexpr int kColumnWidth = 57;
constexpr int kRegressionTop = 2;
constexpr int kModelTop = 18;
constexpr int kAveragingTop = 34;
constexpr int kWaveTop = 50;
constexpr int kDTop = 66;
constexpr int kITop = 82;
constexpr int kStripTop = 98;
constexpr int kStripHeight = 9;
constexpr int kGridTop = 106;
// The strip and the grid keep 3 px on the left and 2 on the right; the grid 3 below it.
constexpr int kRightMargin = 2;
constexpr int kBottomMargin = 3;

constexpr int kOpeningClientWidth = 632;
constexpr int kOpeningClientHeight = 434;
constexpr int kMinimumOuterWidth = 640;
constexpr int kMinimumOuterHeight = 480;

constexpr int kFontPixels = 11;

const QColor kGrey(224, 224, 224);

// Enables or disables menu items one after another, in the order given.
void setEnabledInOrder(std::initializer_list<QAction*> items, bool enabled) {
    for (QAction* item : items) {
        item->setEnabled(enabled);
    }
}

void showPair(QAction* hide, QAction* show) {
    hide->setEnabled(false);
    hide->setVisible(false);
    show->setEnabled(true);
    show->setVisible(true);
}

} // namespace

frmVantrel::frmVantrel(std::unique_ptr<MessageSink> messages, std::unique_ptr<RandomSource> random, QWidget* parent)
    : QMainWindow(parent), m_messages(std::move(messages)), m_random(std::move(random)),
      m_runView(std::make_unique<RunView>(*this)) {
    if (!m_messages) {
        m_messages = std::make_unique<MessageBoxSink>(this);
    }
    setObjectName(QStringLiteral("frmVantrel"));
    setWindowTitle(QStringLiteral("The Vantrel"));
    createControls();
    createMenus();
    Form_Load();
    resize(kOpeningClientWidth, kOpeningClientHeight + menuBar()->sizeHint().height());
}

frmVantrel::~frmVantrel() {
    // The boxes lose the focus while the window is taken down; that is no user leaving them.
    for (int n = 0; n < kWaveCount; ++n) {
        m_txtDval[n]->disconnect(this);
        m_txtIval[n]->disconnect(this);
    }
    centralWidget()->removeEventFilter(this);
    // The grid and its model read m_table; take them down while it still exists.
    delete takeCentralWidget();
    delete m_gridModel;
}

void frmVantrel::Form_Load() {
    m_state.No_paste_yet = true;
    m_state.Data_ready = false;
    if (!m_random) {
        m_random = std::make_unique<UniformRandomSource>(secondsSinceMidnight());
    }
    fillModelTexts(m_state);
    showModelTexts(1);
    for (int n = 0; n < kWaveCount; ++n) {
        m_txtIval[n]->setText(QStringLiteral("8"));
        m_txtDval[n]->setText(QStringLiteral("0.00000"));
    }
    // The headings, row numbers, widths and alignments are the result table's from its start.
    m_grid->applyColumnWidths(m_table);
    m_txtDval[0]->setFocus();
}

void frmVantrel::showModelTexts(int index) {
    m_label17->setText(QString::fromStdString(m_state.Reg_formula[index]));
    m_label18->setText(QString::fromStdString(m_state.Reg_name[index]));
}

// ---------------------------------------------------------------------------------------------
// Controls and layout

void frmVantrel::createControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    // Small and condensed, so that "-99.99999" fits a 17 px box and 16 decimals fit a grid column.
    QFont small = client->font();
    small.setPixelSize(kFontPixels);
    small.setStretch(QFont::Condensed);
    client->setFont(small);
    setCentralWidget(client);
    client->installEventFilter(this);

    createLabel("Label16", QStringLiteral("Regression"), kBandLeft, kRegressionTop, kBandWidth, QColor(255, 255, 240));
    m_label18 = createLabel("Label18", {}, kBandLeft, kModelTop, kCaptionWidth, kGrey);
    m_label17 = createLabel("Label17", {}, kColumnLeft, kModelTop, kFormulaWidth, Qt::white);
    createLabel("Label1", QStringLiteral("Bidirectional Mean Averaging"), kBandLeft, kAveragingTop, kBandWidth,
                QColor(240, 240, 255));
    createLabel("Label12", QStringLiteral("Wave = "), kBandLeft, kWaveTop, kCaptionWidth, kGrey);
    for (int wave = 1; wave <= kWaveCount; ++wave) {
        const QByteArray name = "Label" + QByteArray::number(wave + 1);
        QLabel* number = createLabel(name.constData(), QString::number(wave), kColumnLeft + kColumnPitch * (wave - 1),
                                     kWaveTop, kColumnWidth, kGrey);
        number->setAlignment(Qt::AlignCenter);
    }
    createLabel("Label13", QStringLiteral("d = "), kBandLeft, kDTop, kCaptionWidth, kGrey);
    createLabel("Label14", QStringLiteral("i = "), kBandLeft, kITop, kCaptionWidth, kGrey);
    createParameterBoxes();

    m_strip = new ProgressStrip(client);
    m_strip->setObjectName(QStringLiteral("Picture1"));
    m_gridModel = new ResultGridModel(m_table, this);
    m_grid = new ResultGrid(m_gridModel, client);
    m_grid->setObjectName(QStringLiteral("Grid1"));
    QWidget::setTabOrder(m_txtIval[kWaveCount - 1], m_grid);
}

QLabel* frmVantrel::createLabel(const char* name, const QString& caption, int left, int top, int width,
                                QColor background) {
    auto* label = new QLabel(caption, centralWidget());
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(left, top, width, kRowHeight);
    label->setAutoFillBackground(true);
    QPalette colours = label->palette();
    colours.setColor(QPalette::Window, background);
    label->setPalette(colours);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

void frmVantrel::createParameterBoxes() {
    for (int n = 0; n < kWaveCount; ++n) {
        m_txtDval[n] = new ParameterBox(ParameterBox::Kind::D, n, centralWidget());
        m_txtDval[n]->setGeometry(kColumnLeft + kColumnPitch * n, kDTop, kColumnWidth, kRowHeight);
        m_txtIval[n] = new ParameterBox(ParameterBox::Kind::I, n, centralWidget());
        m_txtIval[n]->setGeometry(kColumnLeft + kColumnPitch * n, kITop, kColumnWidth, kRowHeight);
    }
    QWidget* previous = nullptr;
    for (auto* boxes : {&m_txtDval, &m_txtIval}) {
        for (ParameterBox* box : *boxes) {
            if (previous) {
                QWidget::setTabOrder(previous, box);
            }
            previous = box;
            connectBoxFocus(box);
        }
    }
}

void frmVantrel::connectBoxFocus(ParameterBox* box) {
    connect(box, &ParameterBox::focusGained, this,
            [this, box](Qt::FocusReason reason) { boxFocusGained(box, reason); });
    connect(box, &ParameterBox::focusLost, this, [this, box](Qt::FocusReason reason) { boxFocusLost(box, reason); });
}

void frmVantrel::createMenus() {
    QMenuBar* bar = menuBar();
    auto command = [this, bar](const char* name, const char* caption, void (frmVantrel::*handler)()) {
        QAction* item = bar->addAction(QString::fromUtf8(caption));
        item->setObjectName(QString::fromLatin1(name));
        connect(item, &QAction::triggered, this, handler);
        return item;
    };
    m_mnuExit = command("mnuExit", "E&xit", &frmVantrel::mnuExit_Click);
    m_mnuPaste = command("mnuPaste", "&Paste", &frmVantrel::mnuPaste_Click);
    m_mnuCopy = command("mnuCopy", "&Copy", &frmVantrel::mnuCopy_Click);

    QMenu* automation = bar->addMenu(QStringLiteral("Wave d Value Automation"));
    automation->setObjectName(QStringLiteral("mnuWaveAuto"));
    m_mnuWaveAuto = automation->menuAction();
    m_mnuWaveAuto->setObjectName(QStringLiteral("mnuWaveAuto"));
    m_mnuRMSon = createSwitchItem(automation, "mnuRMSon", "Amplitude Adjustment On", &frmVantrel::mnuRMSon_Click);
    m_mnuRMSoff = createSwitchItem(automation, "mnuRMSoff", "Amplitude Adjustment Off", &frmVantrel::mnuRMSoff_Click);
    m_mnuWavelengthOn =
        createSwitchItem(automation, "mnuWavelengthOn", "Wavelength Adjustment On", &frmVantrel::mnuWavelengthOn_Click);
    m_mnuWavelengthOff = createSwitchItem(automation, "mnuWavelengthOff", "Wavelength Adjustment Off",
                                          &frmVantrel::mnuWavelengthOff_Click);
    showPair(m_mnuRMSoff, m_mnuRMSon);
    showPair(m_mnuWavelengthOff, m_mnuWavelengthOn);

    m_mnuUpdate = command("mnuUpdate", "&Update Waves", &frmVantrel::mnuUpdate_Click);
    m_mnuUpdate->setEnabled(false);

    QMenu* models = bar->addMenu(QStringLiteral("&Regression Type"));
    models->setObjectName(QStringLiteral("mnuRegression"));
    m_mnuRegression = models->menuAction();
    m_mnuRegression->setObjectName(QStringLiteral("mnuRegression"));
    m_mnuRegression->setEnabled(false);
    const char* const captions[] = {"", "&Linear", "L&ogarithmic", "&Exponential", "&Power"};
    for (int index = 1; index <= 4; ++index) {
        QAction* item = models->addAction(QString::fromLatin1(captions[index]));
        item->setObjectName(QStringLiteral("mnuRegressionType%1").arg(index));
        item->setCheckable(true);
        item->setChecked(index == 1);
        // A checkable item toggles its own mark before the click arrives; a refused click puts it back.
        connect(item, &QAction::triggered, this, [this, item, index] {
            if (m_running) {
                item->setChecked(!item->isChecked());
                return;
            }
            mnuRegressionType_Click(index);
        });
        m_mnuRegressionType[index] = item;
    }
}

QAction* frmVantrel::createSwitchItem(QMenu* menu, const char* name, const char* caption,
                                      void (frmVantrel::*handler)()) {
    QAction* item = menu->addAction(QString::fromLatin1(caption));
    item->setObjectName(QString::fromLatin1(name));
    connect(item, &QAction::triggered, this, handler);
    return item;
}

void frmVantrel::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmVantrel::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        Form_Resize();
    }
}

bool frmVantrel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
        layOutStretchingControls();
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmVantrel::Form_Resize() {
    if (isMinimized()) {
        return;
    }
    // The minimum is the outer size, frame and menu bar included; each dimension on its own.
    const QSize outer = frameGeometry().size();
    const int missingHeight = kMinimumOuterHeight - outer.height();
    const int missingWidth = kMinimumOuterWidth - outer.width();
    if (missingHeight > 0 || missingWidth > 0) {
        resize(width() + std::max(missingWidth, 0), height() + std::max(missingHeight, 0));
    }
    layOutStretchingControls();
}

void frmVantrel::layOutStretchingControls() {
    const QWidget* client = centralWidget();
    const int width = client->width() - kBandLeft - kRightMargin;
    m_strip->setGeometry(kBandLeft, kStripTop, width, kStripHeight);
    m_grid->setGeometry(kBandLeft, kGridTop, width, client->height() - kGridTop - kBottomMargin);
}

void frmVantrel::closeEvent(QCloseEvent* event) {
    if (m_running) {
        // The run notices at its next step and ends; the window closes then.
        m_closeRequested = true;
        event->ignore();
        return;
    }
    event->accept();
}

// ---------------------------------------------------------------------------------------------
// The parameter boxes

void frmVantrel::boxFocusGained(ParameterBox* box, Qt::FocusReason reason) {
    if (m_boxesChanging) {
        return;
    }
    if (box == m_enteredBox && ParameterBox::isPassingFocusReason(reason)) {
        return; // back from a menu or a message box
    }
    m_enteredBox = box;
    if (box->kind() == ParameterBox::Kind::D) {
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
    if (box->kind() == ParameterBox::Kind::D) {
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
    box->setText(QString::fromStdString(normaliseIText(box->text().toStdString())));
    if (m_state.Data_ready) {
        m_mnuUpdate->setEnabled(true);
    }
}

void frmVantrel::txtDval_LostFocus(int index) {
    ParameterBox* box = m_txtDval[index];
    box->setText(QString::fromStdString(normaliseDText(box->text().toStdString())));
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

void frmVantrel::mnuCopy_Click() {
    QGuiApplication::clipboard()->setText(QString::fromStdString(tableClipText(m_table)));
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

namespace {

// Holds the busy flag for one command run, however the run ends.
class RunGuard {
public:
    explicit RunGuard(bool& running) : m_running(running) { m_running = true; }
    ~RunGuard() { m_running = false; }
    RunGuard(const RunGuard&) = delete;
    RunGuard& operator=(const RunGuard&) = delete;

private:
    bool& m_running;
};

} // namespace

template <typename Work> void frmVantrel::runCommand(Work work) {
    if (m_running) {
        return; // a click that arrived through the event pump of a run in progress
    }
    {
        const RunGuard guard(m_running);
        m_runView->restart();
        try {
            work();
        } catch (const RunAborted&) {
            // The window is closing; nothing of the run matters any more.
        }
    }
    if (m_closeRequested) {
        close();
    }
}

void frmVantrel::mnuPaste_Click() {
    runCommand([this] { pasteRun(); });
}

void frmVantrel::mnuUpdate_Click() {
    runCommand([this] { updateWavesRun(); });
}

void frmVantrel::mnuRegressionType_Click(int index) {
    if (index < 1 || index > 4) {
        return;
    }
    runCommand([this, index] { modelSwitchRun(index); });
}

void frmVantrel::pasteRun() {
    setEnabledInOrder({m_mnuWaveAuto, m_mnuExit, m_mnuCopy, m_mnuPaste}, false);
    m_state.No_paste_yet = false;
    std::string refusal;
    try {
        lockBoxes();
        clampBoxesForRun();
        refusal = loadClipboard();
        if (refusal.empty()) {
            runFullAnalysis(m_state, m_table, checkedModel(), *m_runView);
        }
    } catch (const RuntimeError&) {
        failPaste(runtimeErrorReason(), MessageIcon::Critical);
        return;
    }
    if (!refusal.empty()) {
        failPaste(refusal, MessageIcon::Exclamation);
        return;
    }
    unlockBoxes();
    m_state.Data_ready = true;
    setEnabledInOrder({m_mnuRegression, m_mnuWaveAuto, m_mnuExit, m_mnuCopy, m_mnuPaste}, true);
}

void frmVantrel::clampBoxesForRun() {
    for (int n = 0; n < kWaveCount; ++n) {
        for (ParameterBox* box : {m_txtDval[n], m_txtIval[n]}) {
            const std::string text = box->text().toStdString();
            const std::string clamped =
                box->kind() == ParameterBox::Kind::D ? clampDTextForRun(text) : clampITextForRun(text);
            if (clamped != text) {
                box->setText(QString::fromStdString(clamped));
            }
        }
    }
}

// Returns the refusal text, or nothing when the series is loaded.
std::string frmVantrel::loadClipboard() {
    const std::string text = QGuiApplication::clipboard()->text().toStdString();
    IntakeOutcome outcome;
    try {
        outcome = runIntake(text, m_state, m_table, checkedModel(), *m_runView);
    } catch (...) {
        showLoadedTable();
        throw;
    }
    showLoadedTable();
    if (outcome.result == IntakeResult::TooLarge) {
        return tooLargeMessage();
    }
    applySignCheck(outcome.fellBackToLinear);
    return outcome.result == IntakeResult::NotEnoughData ? notEnoughDataMessage() : std::string();
}

void frmVantrel::showLoadedTable() {
    m_strip->clear();
    m_gridModel->refreshAllColumns();
    m_grid->applyColumnWidths(m_table);
    m_grid->selectFirstDataCell();
}

void frmVantrel::applySignCheck(bool fellBackToLinear) {
    if (fellBackToLinear) {
        showModelTexts(1);
        for (int index = 1; index <= 4; ++index) {
            m_mnuRegressionType[index]->setChecked(index == 1);
        }
    }
    m_mnuRegressionType[3]->setEnabled(!m_state.Nonpositive_data);
    m_mnuRegressionType[4]->setEnabled(!m_state.Nonpositive_data);
}

RegressionModel frmVantrel::checkedModel() const {
    for (int index = 1; index <= 4; ++index) {
        if (m_mnuRegressionType[index]->isChecked()) {
            return static_cast<RegressionModel>(index);
        }
    }
    return RegressionModel::Linear;
}

void frmVantrel::failPaste(const std::string& reason, MessageIcon icon) {
    clearRunMarks();
    unlockBoxes();
    m_mnuRegression->setEnabled(false);
    m_state.Data_ready = false;
    showFailure(reason, icon);
    setEnabledInOrder({m_mnuWaveAuto, m_mnuExit, m_mnuCopy, m_mnuPaste}, true);
}

void frmVantrel::clearRunMarks() {
    m_strip->clear();
    for (ParameterBox* box : m_txtDval) {
        box->setBackColour(Qt::white);
    }
    m_gridModel->refreshAllColumns();
}

void frmVantrel::showFailure(const std::string& reason, MessageIcon icon) {
    const int joke = jokeNumber(m_random->next());
    m_messages->showFailure(failureMessage(joke, reason), icon);
}

void frmVantrel::reportRunFailure() {
    clearRunMarks();
    showFailure(runtimeErrorReason(), MessageIcon::Critical);
}

void frmVantrel::updateWavesRun() {
    setEnabledInOrder({m_mnuExit, m_mnuPaste, m_mnuCopy, m_mnuWaveAuto, m_mnuRegression}, false);
    if (m_state.Data_ready) {
        try {
            runWaveAnalysis(m_state, m_table, *m_runView);
        } catch (const RuntimeError&) {
            reportRunFailure();
        }
    }
    m_mnuUpdate->setEnabled(false);
    setEnabledInOrder({m_mnuExit, m_mnuPaste, m_mnuCopy, m_mnuWaveAuto}, true);
    m_mnuRegression->setEnabled(m_state.Data_ready);
}

void frmVantrel::modelSwitchRun(int index) {
    setEnabledInOrder({m_mnuExit, m_mnuPaste, m_mnuCopy, m_mnuWaveAuto, m_mnuRegression}, false);
    for (int k = 1; k <= 4; ++k) {
        m_mnuRegressionType[k]->setChecked(k == index);
    }
    showModelTexts(index);
    try {
        runFullAnalysis(m_state, m_table, static_cast<RegressionModel>(index), *m_runView);
    } catch (const RuntimeError&) {
        reportRunFailure();
    }
    setEnabledInOrder({m_mnuExit, m_mnuPaste, m_mnuCopy, m_mnuWaveAuto, m_mnuRegression}, true);
}

} // namespace vantrel
