#pragma once

#include "analysis/analysis_state.h"
#include "analysis/bma_lanes.h"

#include <functional>
#include <string>

namespace vantrel {

// The two adjustment switches; both off is the manual mode (typed d values).
struct WaveModes {
    bool amplitude = true;
    bool wavelength = true;
};

enum class SearchKind { Amplitude, Wavelength };

// What the peeling needs from its caller (a window, the command line, a test): the box texts and
// switches at the moment it reaches a wave, and a place to show its progress. Box n is wave n + 1.
class WaveObserver {
public:
    virtual ~WaveObserver() = default;

    virtual WaveModes modes() = 0;
    virtual std::string iText(int box) = 0;
    virtual std::string dText(int box) = 0;

    // Wave 1..10 starts: its progress cell appears.
    virtual void waveStarted(int /*wave*/) {}
    // The d box of `box` is tinted for the search of this kind.
    virtual void searchStarted(int /*box*/, SearchKind /*kind*/) {}
    // One step of a search: the box shows d with five decimals; pending events may run here.
    virtual void searchStep(int /*box*/, double /*d*/) {}
    // Both adjustments on: the combined d the wave is taken with.
    virtual void combinedD(int /*box*/, double /*d*/) {}
    // The wave's values are in Wave_value and the remainder is updated: the box goes back to white.
    virtual void waveDone(int /*wave*/) {}
};

// Counts of one wave run, for the benchmark and the tests.
struct WaveRunStats {
    long requestedCalls = 0;      // averagings the peeling asked for
    long computedCalls = 0;       // averagings it needs: the calls that do not repeat the previous one
    long passes = 0;              // averaging passes of the needed calls
    long reusedCalls = 0;         // needed calls whose d and i the wave had averaged already (for either
                                  // search, or in a lane beside another call): not averaged again
    long settledCalls = 0;        // averagings made again because the wave is taken from their arrays
    long laneRounds = 0;          // runs of the lane kernel
    long laneAverages = 0;        // averagings those runs computed, the needed and the guessed ones
    long laneSlots = 0;           // lanes those runs kept busy (all the lanes of the kernel each ran on)
    long laneAveragesTaken = 0;   // lane averagings a search went on to take
    long secondThreadResults = 0; // wavelength searches whose second thread's result stood
};

// How the d searches average. By default the processor's preferred lane kernel computes, beside each
// averaging a search needs, those its next steps may need; not speculative, each averaging a search
// asks for is computed on its own, one after another. Both give the same bits.
// With parallelSearches, on a processor with two or more cores, the wavelength search of a wave that
// asks for enough work runs on a second thread beside the amplitude search; the window sees the same
// calls in the same order.
struct AveragingMode {
    bool speculative = true;
    LaneKernel kernel = preferredLaneKernel();
    bool parallelSearches = true;
};

// The largest number of averaging passes a wave runs, whatever its i box says; also the largest
// value an i box keeps.
constexpr int kMaxPasses = 1024;

// Wavelength target of wave k (1..10) for a series of n points: n for wave 1 down to 4 for wave 10.
double wavelengthTarget(int wave, int n);

// d of the combined step: between dA and dW, weighted by how far the amplitude-adjusted wavelength x
// and the target t lie from the series' wavelength y. When all three are equal, dA.
double combinedD(double dA, double dW, double x, double y, double t);

// Peels ten waves off Osc_value(1..Data_count) into Wave_value, Wave_result and Rem_value. A run-time
// error stops it where it stands. The counts of the run are added to `stats` when one is given.
// `waveTaken`, when given, is called with each wave as soon as it is taken, before the observer's
// waveDone: what the caller builds on the wave is ready by the time the observer hears of it.
void Display_waves(AnalysisState& state, WaveObserver& observer, WaveRunStats* stats = nullptr,
                   const AveragingMode& mode = {}, const std::function<void(int wave)>& waveTaken = {});

} // namespace vantrel
