#pragma once

namespace vantrel {

// The shortest time between two pictures of something that moves: about the refresh of a screen.
// Showing more often costs the run its time and shows a person nothing more.
constexpr int kFrameMilliseconds = 16;

} // namespace vantrel
