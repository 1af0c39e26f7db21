#pragma once

#include "analysis/analysis_state.h"
#include "analysis/result_table.h"
#include "app/chart_follower.h"
#include "app/message_sink.h"
#include "app/random_source.h"
#include "app/run_followers.h"
#include "app/run_view.h"
#include "views/box_editing.h"
#include "views/chart_content.h"

#include <QMainWindow>

#include <array>
#include <bitset>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

class QAction;
class QMimeData;
class QLabel;
class QMenu;

namespace vantrel {

// Positions and sizes of the parameter band for the font it is shown in.
struct BandMetrics {
    int rowHeight = 0;
    int captionWidth = 0;
    int columnWidth = 0;

    static BandMetrics forFont(const QFont& font);
    int top(int row) const;
    int columnLeft(int n) const;
    int right() const;
    int gridTop() const;
};

class CommandScope;
class ParameterBox;
class ProgressStrip;
class ResultGrid;
class ResultGridModel;

// The one window of the program: the parameter band, the progress strip, the result grid and the
// menu commands. It owns the analysis state and the result table; the analysis itself is the core's.
class frmVantrel : public QMainWindow {
    Q_OBJECT

public:
    // Without a sink the failures show in message boxes; without a source the jokes are drawn from a
    // generator seeded with the time of day.
    explicit frmVantrel(std::unique_ptr<MessageSink> messages = nullptr, std::unique_ptr<RandomSource> random = nullptr,
                        QWidget* parent = nullptr);

    const AnalysisState& state() const { return m_state; }
    const ResultTable& table() const { return *m_table; }
    // A command is running; every other command is refused until it ends.
    bool isRunning() const { return m_running; }

    ParameterBox* txtDval(int n) const { return m_txtDval[n]; }
    ParameterBox* txtIval(int n) const { return m_txtIval[n]; }
    ResultGrid* grid() const { return m_grid; }
    ResultGridModel* gridModel() const { return m_gridModel; }
    ProgressStrip* strip() const { return m_strip; }

    // Loads the file's column (chosen in a dialog when it has several) as Paste loads the clipboard's
    // text; a file that cannot be read is reported and leaves the table as it was.
    void openFile(const QString& path);
    // Writes the table as CSV or TSV by the extension; a failure is reported. Returns whether written.
    bool saveTableTo(const QString& path);

public slots:
    void mnuExit_Click();
    void mnuPaste_Click();
    void mnuCopy_Click();
    void mnuRMSon_Click();
    void mnuRMSoff_Click();
    void mnuWavelengthOn_Click();
    void mnuWavelengthOff_Click();
    void mnuUpdate_Click();
    void mnuRegressionType_Click(int index);
    void mnuChart_Click();
    void mnuOpen_Click();
    void mnuSaveTable_Click();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void Form_Resize();
    void layOutStretchingControls();
    int minimumOuterWidth() const;
    void fitMenuBar();
    QSize openingSize() const;

    void createControls();
    QLabel* createLabel(const char* name, const QString& caption, int left, int top, int width, QColor background);
    void createParameterBoxes();
    void createMenus();
    QAction* createCommand(const char* name, const char* caption, void (frmVantrel::*handler)());
    QAction* createSwitchItem(QMenu* menu, const char* name, const char* caption, void (frmVantrel::*handler)());
    void createModelItems(QMenu* menu);
    void createFileMenu();
    void dropped(const QMimeData& data);
    void showFileFailure(const QString& text);
    static std::string pasteTextOf(const QString& text);
    // One item of an on/off pair becomes visible and enabled, the other hidden and disabled.
    static void showPair(QAction* hide, QAction* show);
    void connectBoxFocus(ParameterBox* box);
    RunViewParts runViewParts();

    void txtIval_GotFocus(int index);
    void txtDval_GotFocus(int index);
    void txtIval_LostFocus(int index);
    void txtDval_LostFocus(int index);
    void boxFocusGained(ParameterBox* box, Qt::FocusReason reason);
    void boxFocusLost(ParameterBox* box, Qt::FocusReason reason);
    ParameterBox* boxOf(BoxKind kind, int index) const;

    // Runs one command in its scope with its busy rule (the items disabled during the run), unless a
    // command is running already; any failure inside it ends in `failure`. A close requested during
    // the run takes effect afterwards.
    template <typename Work, typename Failure>
    void runCommand(std::initializer_list<QAction*> busyItems, Work work, Failure failure);
    // The Paste command over the text the source gives, read once the command has started.
    void pasteFrom(const std::function<std::string()>& source);
    void pasteRun(CommandScope& scope, const std::function<std::string()>& source);
    void updateWavesRun();
    void modelSwitchRun(RegressionModel model);

    std::string clipboardTextForPaste() const;
    void applySignCheck(bool fellBackToLinear, bool nonpositiveData);
    void lockBoxes();
    void unlockBoxes();
    void failPaste(const std::string& reason, MessageIcon icon);
    void reportRunFailure();
    void showFailure(const std::string& reason, MessageIcon icon);
    RegressionModel checkedModel() const;
    void checkModel(RegressionModel model);
    void showModelTexts(RegressionModel model);
    QAction* modelItem(RegressionModel model) const;

    ChartContent chartContent(const std::bitset<ResultTable::kColumns>& filledColumns, ChartNotice notice) const;

    AnalysisState m_state;
    // Shared with the grid's model, which Qt takes down after the window's own members.
    std::shared_ptr<ResultTable> m_table;
    std::unique_ptr<MessageSink> m_messages;
    std::unique_ptr<RandomSource> m_random;

    BandMetrics m_band;
    QLabel* m_label17 = nullptr;
    QLabel* m_label18 = nullptr;
    std::array<ParameterBox*, kWaveCount> m_txtDval{};
    std::array<ParameterBox*, kWaveCount> m_txtIval{};
    ProgressStrip* m_strip = nullptr;
    ResultGridModel* m_gridModel = nullptr;
    ResultGrid* m_grid = nullptr;

    QAction* m_mnuExit = nullptr;
    QAction* m_mnuPaste = nullptr;
    QAction* m_mnuCopy = nullptr;
    QAction* m_mnuWaveAuto = nullptr;
    QAction* m_mnuRMSon = nullptr;
    QAction* m_mnuRMSoff = nullptr;
    QAction* m_mnuWavelengthOn = nullptr;
    QAction* m_mnuWavelengthOff = nullptr;
    QAction* m_mnuUpdate = nullptr;
    QAction* m_mnuRegression = nullptr;
    QAction* m_mnuChart = nullptr;
    QAction* m_mnuFile = nullptr;
    QAction* m_mnuOpen = nullptr;
    QAction* m_mnuSaveTable = nullptr;
    std::array<QAction*, kModelCount> m_mnuRegressionType{}; // model number k at element k - 1

    std::unique_ptr<ChartFollower> m_chart;
    std::unique_ptr<RunView> m_runView;
    // Every run of the window reports here; the band, the grid, the chart and any later view follow.
    std::unique_ptr<RunHub> m_runs;
    bool m_running = false;
    bool m_closeRequested = false;
    // The box the user is in; focus that passes to a menu or a message box and back leaves it so.
    ParameterBox* m_enteredBox = nullptr;
    // Disabling or enabling the boxes moves the focus through them; that is not the user's doing.
    bool m_boxesChanging = false;
    QWidget* m_focusBeforeLock = nullptr;
    QWidget* m_focusAfterLock = nullptr;

    // The context of the boxes' focus connections. Declared last, it goes first when the window is
    // taken down, so the focus moves of QWidget's own teardown reach no handler of a window that
    // is already gone.
    QObject m_focusConnections;
};

} // namespace vantrel
