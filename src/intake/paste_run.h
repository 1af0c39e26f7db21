#pragma once

#include "analysis/analysis_state.h"
#include "analysis/result_table.h"
#include "intake/intake.h"
#include "views/analysis_views.h"
#include "views/box_editing.h"

#include <string>
#include <string_view>

namespace vantrel {

// What a Paste run needs from the window or the command line besides the text: the boxes and
// switches (read through the wave observer), and places to show what happens.
class PasteObserver : public AnalysisObserver, public IntakeProgress {
public:
    // A box text brought into the run's bounds; called only for a text that changed.
    virtual void setBoxText(BoxKind kind, int box, const std::string& text) = 0;
    // The intake has ended, loaded, refused or failed: the Data column stands as it will be shown.
    virtual void intakeFinished() {}
    // The series is in. Data with a value of zero or below cannot take a log-of-data model; when
    // one was checked, the run falls back to Linear.
    virtual void signChecked(bool /*fellBackToLinear*/, bool /*nonpositiveData*/) {}
};

enum class PasteResult { Loaded, Refused, RuntimeError };

struct PasteOutcome {
    PasteResult result = PasteResult::Loaded;
    // The refusal or the run-time error's reason, for the failure message.
    std::string reason;
    // The model the series was fitted with.
    RegressionModel model = RegressionModel::Linear;
};

// One whole Paste: the box texts brought into bounds, the intake, the sign check, the regression,
// oscillation and wave views. A refusal or a run-time error ends the run where it stands and is
// returned; nothing of the failure path is done here.
PasteOutcome runPaste(std::string_view text, RegressionModel checkedModel, AnalysisState& state, ResultTable& table,
                      PasteObserver& observer, WaveRunStats* stats = nullptr, const AveragingMode& mode = {});

} // namespace vantrel
