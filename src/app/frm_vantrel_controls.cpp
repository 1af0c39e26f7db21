// The window's controls, menus and layout.

#include "app/frm_vantrel.h"

#include "app/parameter_box.h"
#include "app/progress_strip.h"
#include "app/result_grid.h"
#include "app/window_colours.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

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

constexpr int kMinimumOuterWidth = 640;
constexpr int kMinimumOuterHeight = 480;

constexpr int kFontPixels = 11;

int columnLeft(int n) {
    return kColumnLeft + kColumnPitch * n;
}

} // namespace

void frmVantrel::showPair(QAction* hide, QAction* show) {
    hide->setEnabled(false);
    hide->setVisible(false);
    show->setEnabled(true);
    show->setVisible(true);
}

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

    createLabel("Label16", QStringLiteral("Regression"), kBandLeft, kRegressionTop, kBandWidth,
                colours::kRegressionBand);
    m_label18 = createLabel("Label18", {}, kBandLeft, kModelTop, kCaptionWidth, colours::kCaption);
    m_label17 = createLabel("Label17", {}, kColumnLeft, kModelTop, kFormulaWidth, colours::kFormula);
    createLabel("Label1", QStringLiteral("Bidirectional Mean Averaging"), kBandLeft, kAveragingTop, kBandWidth,
                colours::kAveragingBand);
    createLabel("Label12", QStringLiteral("Wave = "), kBandLeft, kWaveTop, kCaptionWidth, colours::kCaption);
    for (int wave = 1; wave <= kWaveCount; ++wave) {
        const QByteArray name = "Label" + QByteArray::number(wave + 1);
        QLabel* number = createLabel(name.constData(), QString::number(wave), columnLeft(wave - 1), kWaveTop,
                                     kColumnWidth, colours::kCaption);
        number->setAlignment(Qt::AlignCenter);
    }
    createLabel("Label13", QStringLiteral("d = "), kBandLeft, kDTop, kCaptionWidth, colours::kCaption);
    createLabel("Label14", QStringLiteral("i = "), kBandLeft, kITop, kCaptionWidth, colours::kCaption);
    createParameterBoxes();

    m_strip = new ProgressStrip(client);
    m_strip->setObjectName(QStringLiteral("Picture1"));
    m_gridModel = new ResultGridModel(m_table, client);
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
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, background);
    label->setPalette(palette);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

void frmVantrel::createParameterBoxes() {
    for (int n = 0; n < kWaveCount; ++n) {
        m_txtDval[n] = new ParameterBox(BoxKind::D, n, centralWidget());
        m_txtDval[n]->setGeometry(columnLeft(n), kDTop, kColumnWidth, kRowHeight);
        m_txtIval[n] = new ParameterBox(BoxKind::I, n, centralWidget());
        m_txtIval[n]->setGeometry(columnLeft(n), kITop, kColumnWidth, kRowHeight);
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
    connect(box, &ParameterBox::focusGained, &m_focusConnections,
            [this, box](Qt::FocusReason reason) { boxFocusGained(box, reason); });
    connect(box, &ParameterBox::focusLost, &m_focusConnections,
            [this, box](Qt::FocusReason reason) { boxFocusLost(box, reason); });
}

QAction* frmVantrel::createCommand(const char* name, const char* caption, void (frmVantrel::*handler)()) {
    QAction* item = menuBar()->addAction(QString::fromUtf8(caption));
    item->setObjectName(QString::fromLatin1(name));
    connect(item, &QAction::triggered, this, handler);
    return item;
}

void frmVantrel::createMenus() {
    m_mnuExit = createCommand("mnuExit", "E&xit", &frmVantrel::mnuExit_Click);
    m_mnuPaste = createCommand("mnuPaste", "&Paste", &frmVantrel::mnuPaste_Click);
    m_mnuCopy = createCommand("mnuCopy", "&Copy", &frmVantrel::mnuCopy_Click);

    QMenu* automation = menuBar()->addMenu(QStringLiteral("Wave d Value Automation"));
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

    m_mnuUpdate = createCommand("mnuUpdate", "&Update Waves", &frmVantrel::mnuUpdate_Click);
    m_mnuUpdate->setEnabled(false);

    QMenu* models = menuBar()->addMenu(QStringLiteral("&Regression Type"));
    models->setObjectName(QStringLiteral("mnuRegression"));
    m_mnuRegression = models->menuAction();
    m_mnuRegression->setObjectName(QStringLiteral("mnuRegression"));
    m_mnuRegression->setEnabled(false);
    createModelItems(models);
}

void frmVantrel::createModelItems(QMenu* menu) {
    for (const ModelInfo& model : allModels()) {
        const int index = modelNumber(model.id);
        QAction* item = menu->addAction(QString::fromUtf8(model.caption));
        item->setObjectName(QStringLiteral("mnuRegressionType%1").arg(index));
        item->setCheckable(true);
        item->setChecked(model.id == RegressionModel::Linear);
        // A checkable item toggles its own mark before the click arrives; a refused click puts it back.
        connect(item, &QAction::triggered, this, [this, item, index] {
            if (m_running) {
                item->setChecked(!item->isChecked());
                return;
            }
            mnuRegressionType_Click(index);
        });
        m_mnuRegressionType[static_cast<std::size_t>(index - 1)] = item;
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

} // namespace vantrel
