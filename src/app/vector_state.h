#pragma once

namespace vantrel {

// Some code that the window's toolkit runs leaves the upper halves of the CPU's vector registers in
// use. Until they are cleared, every scalar floating-point instruction of the analysis pays for a
// state transition, and a run takes two to three times as long. Clearing them costs nothing.
void clearUpperVectorState();

} // namespace vantrel
