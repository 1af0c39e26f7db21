#pragma once

#include "analysis/analysis_state.h"
#include "analysis/result_table.h"
#include "app/message_sink.h"
#include "app/random_source.h"

#include <QMainWindow>

#include <array>
#include <memory>
#include <string>

class QAction;
class QLabel;
class QMenu;

namespace vantrel {

class ParameterBox;
class ProgressStrip;
class ResultGrid;
class ResultGridModel;
class RunView;

// The one window of the program: the parameter band, the progress strip, the result grid and the
// menu commands. It owns the analysis state and the result table; the analysis itself is the core's.
class frmVantrel : public QMainWindow {
    Q_OBJECT

public:
    // Without a sink the failures show in message boxes; without a source the jokes are drawn from a
    // generator seeded with the time of day.
    explicit frmVantrel(std::unique_ptr<MessageSink> messages = nullptr, std::unique_ptr<RandomSource> random = nullptr,
                        QWidget* parent = nullptr);
    ~frmVantrel() override;

    const AnalysisState& state() const { return m_state; }
    const ResultTable& table() const { return m_table; }
    // A command is running; every other command is refused until it ends.
    bool isRunning() const { return m_running; }

    ParameterBox* txtDval(int n) const { return m_txtDval[n]; }
    ParameterBox* txtIval(int n) const { return m_txtIval[n]; }
    ResultGrid* grid() const { return m_grid; }
    ResultGridModel* gridModel() const { return m_gridModel; }
    ProgressStrip* strip() const { return m_strip; }

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

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class RunView;

    void Form_Load();
    void Form_Resize();
    void layOutStretchingControls();

    void createControls();
    QLabel* createLabel(const char* name, const QString& caption, int left, int top, int width, QColor background);
    void createParameterBoxes();
    void createMenus();
    QAction* createSwitchItem(QMenu* menu, const char* name, const char* caption, void (frmVantrel::*handler)());
    void connectBoxFocus(ParameterBox* box);

    void txtIval_GotFocus(int index);
    void txtDval_GotFocus(int index);
    void txtIval_LostFocus(int index);
    void txtDval_LostFocus(int index);
    void boxFocusGained(ParameterBox* box, Qt::FocusReason reason);
    void boxFocusLost(ParameterBox* box, Qt::FocusReason reason);

    // Runs one command under the busy rule; a close requested during it takes effect afterwards.
    template <typename Work> void runCommand(Work work);
    void pasteRun();
    void updateWavesRun();
    void modelSwitchRun(int index);

    void clampBoxesForRun();
    std::string loadClipboard();
    void showLoadedTable();
    void applySignCheck(bool fellBackToLinear);
    void lockBoxes();
    void unlockBoxes();
    void failPaste(const std::string& reason, MessageIcon icon);
    void reportRunFailure();
    void clearRunMarks();
    void showFailure(const std::string& reason, MessageIcon icon);
    RegressionModel checkedModel() const;
    void showModelTexts(int index);

    AnalysisState m_state;
    ResultTable m_table;
    std::unique_ptr<MessageSink> m_messages;
    std::unique_ptr<RandomSource> m_random;

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
    std::array<QAction*, 5> m_mnuRegressionType{}; // indexes 1 to 4

    std::unique_ptr<RunView> m_runView;
    bool m_running = false;
    bool m_closeRequested = false;
    // The box the user is in; focus that passes to a menu or a message box and back leaves it so.
    ParameterBox* m_enteredBox = nullptr;
    // Disabling or enabling the boxes moves the focus through them; that is not the user's doing.
    bool m_boxesChanging = false;
    QWidget* m_focusBeforeLock = nullptr;
    QWidget* m_focusAfterLock = nullptr;
};

} // namespace vantrel
