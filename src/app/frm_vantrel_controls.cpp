// The window's controls, menus and layout.

#include "app/frm_vantrel.h"

#include "app/parameter_box.h"
#include "app/progress_strip.h"
#include "app/result_grid.h"
#include "app/window_colours.h"

#include <QAction>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

namespace vantrel {

namespace {

// The band at its smallest, in pixels (twips / 15): rows 17 high, one pixel of each overlapping the
// next; ten parameter columns 57 wide at a pitch of 56 behind a caption column 67 wide. A larger
// desktop font widens and heightens them to fit their texts.
constexpr int kBandLeft = 3;
constexpr int kBandTop = 2;
constexpr int kLeastRowHeight = 17;
constexpr int kLeastCaptionWidth = 67;
constexpr int kLeastColumnWidth = 57;
constexpr int kStripHeight = 9;
// Room around a box's text: its frame and the line edit's own margins.
constexpr int kBoxTextRoom = 9;
constexpr int kLabelTextRoom = 6;
constexpr int kRowTextRoom = 3;
// The strip and the grid keep 3 px on the left and 2 on the right; the grid 3 below it.
constexpr int kRightMargin = 2;
constexpr int kBottomMargin = 3;

constexpr int kMinimumOuterWidth = 640;
constexpr int kMinimumOuterHeight = 480;
constexpr int kOpeningClientWidth = 632;
constexpr int kOpeningClientHeight = 434;

enum BandRow { kRegressionRow, kModelRow, kAveragingRow, kWaveRow, kDRow, kIRow, kStripRow };

int widestText(const QFontMetrics& metrics, std::initializer_list<QString> texts) {
    int widest = 0;
    for (const QString& text : texts) {
        widest = std::max(widest, metrics.horizontalAdvance(text));
    }
    return widest;
}

int widestModelName(const QFontMetrics& metrics) {
    int widest = 0;
    for (const ModelInfo& model : allModels()) {
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromUtf8(model.name)));
    }
    return widest;
}

} // namespace

BandMetrics BandMetrics::forFont(const QFont& font) {
    const QFontMetrics metrics(font);
    BandMetrics band;
    band.rowHeight = std::max(kLeastRowHeight, metrics.height() + kRowTextRoom);
    band.columnWidth =
        std::max(kLeastColumnWidth, metrics.horizontalAdvance(QStringLiteral("-99.99999")) + kBoxTextRoom);
    const int captionText = std::max(widestModelName(metrics), widestText(metrics, {QStringLiteral("Wave = ")}));
    band.captionWidth = std::max(kLeastCaptionWidth, captionText + kLabelTextRoom);
    return band;
}

int BandMetrics::top(int row) const {
    return kBandTop + row * (rowHeight - 1);
}

int BandMetrics::columnLeft(int n) const {
    return kBandLeft + captionWidth - 1 + n * (columnWidth - 1);
}

int BandMetrics::right() const {
    return columnLeft(kWaveCount - 1) + columnWidth;
}

int BandMetrics::gridTop() const {
    return top(kStripRow) + kStripHeight - 1;
}

void frmVantrel::showPair(QAction* hide, QAction* show) {
    hide->setEnabled(false);
    hide->setVisible(false);
    show->setEnabled(true);
    show->setVisible(true);
}

void frmVantrel::createControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    // The desktop's font in its condensed cut where the family has one, so that "-99.99999" fits
    // a box and 16 decimals a grid column with as little widening as the font allows.
    QFont condensed = client->font();
    condensed.setStretch(QFont::Condensed);
    client->setFont(condensed);
    m_band = BandMetrics::forFont(condensed);
    setCentralWidget(client);
    client->installEventFilter(this);

    const int bandWidth = m_band.right() - kBandLeft;
    const int captionWidth = m_band.captionWidth;
    createLabel("Label16", QStringLiteral("Regression"), kBandLeft, m_band.top(kRegressionRow), bandWidth,
                colours::kRegressionBand);
    m_label18 = createLabel("Label18", {}, kBandLeft, m_band.top(kModelRow), captionWidth, colours::kCaption);
    m_label17 = createLabel("Label17", {}, m_band.columnLeft(0), m_band.top(kModelRow),
                            m_band.right() - m_band.columnLeft(0), colours::kFormula);
    createLabel("Label1", QStringLiteral("Bidirectional Mean Averaging"), kBandLeft, m_band.top(kAveragingRow),
                bandWidth, colours::kAveragingBand);
    createLabel("Label12", QStringLiteral("Wave = "), kBandLeft, m_band.top(kWaveRow), captionWidth, colours::kCaption);
    for (int wave = 1; wave <= kWaveCount; ++wave) {
        const QByteArray name = "Label" + QByteArray::number(wave + 1);
        QLabel* number = createLabel(name.constData(), QString::number(wave), m_band.columnLeft(wave - 1),
                                     m_band.top(kWaveRow), m_band.columnWidth, colours::kCaption);
        number->setAlignment(Qt::AlignCenter);
    }
    createLabel("Label13", QStringLiteral("d = "), kBandLeft, m_band.top(kDRow), captionWidth, colours::kCaption);
    createLabel("Label14", QStringLiteral("i = "), kBandLeft, m_band.top(kIRow), captionWidth, colours::kCaption);
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
    label->setGeometry(left, top, width, m_band.rowHeight);
    label->setAutoFillBackground(true);
    // The background is fixed, so the text is too: a dark desktop theme's light text would vanish.
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, colours::kBandText);
    label->setPalette(palette);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

void frmVantrel::createParameterBoxes() {
    // Created in their Tab order, which is also the order a screen reader finds them in.
    for (int n = 0; n < kWaveCount; ++n) {
        m_txtDval[n] = new ParameterBox(BoxKind::D, n, centralWidget());
        m_txtDval[n]->setGeometry(m_band.columnLeft(n), m_band.top(kDRow), m_band.columnWidth, m_band.rowHeight);
    }
    for (int n = 0; n < kWaveCount; ++n) {
        m_txtIval[n] = new ParameterBox(BoxKind::I, n, centralWidget());
        m_txtIval[n]->setGeometry(m_band.columnLeft(n), m_band.top(kIRow), m_band.columnWidth, m_band.rowHeight);
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

    // Starts no run, so it is never disabled.
    m_mnuChart = createCommand("mnuChart", "C&hart", &frmVantrel::mnuChart_Click);
    createFileMenu();
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
    const int missingWidth = minimumOuterWidth() - outer.width();
    if (missingHeight > 0 || missingWidth > 0) {
        resize(width() + std::max(missingWidth, 0), height() + std::max(missingHeight, 0));
    }
    layOutStretchingControls();
}

// At least 640 wide, and wide enough for the band and for every item of the menu bar.
int frmVantrel::minimumOuterWidth() const {
    const int frame = frameGeometry().width() - width();
    const int content = std::max(m_band.right() + kRightMargin, menuBar()->sizeHint().width());
    return std::max(kMinimumOuterWidth, content + frame);
}

void frmVantrel::fitMenuBar() {
    // A large desktop font would push the last items into an overflow button at the smallest width.
    if (menuBar()->sizeHint().width() > kMinimumOuterWidth) {
        QFont condensed = menuBar()->font();
        condensed.setStretch(QFont::Condensed);
        menuBar()->setFont(condensed);
    }
}

QSize frmVantrel::openingSize() const {
    const int clientWidth = std::max(kOpeningClientWidth, m_band.right() + kRightMargin);
    return {clientWidth, kOpeningClientHeight + menuBar()->sizeHint().height()};
}

void frmVantrel::layOutStretchingControls() {
    const QWidget* client = centralWidget();
    const int width = client->width() - kBandLeft - kRightMargin;
    m_strip->setGeometry(kBandLeft, m_band.top(kStripRow), width, kStripHeight);
    const int gridTop = m_band.gridTop();
    m_grid->setGeometry(kBandLeft, gridTop, width, client->height() - gridTop - kBottomMargin);
}

} // namespace vantrel
