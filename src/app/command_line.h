#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace vantrel {

// What `vantrel` was asked to do, decided before Qt is started so that --help, --version and a
// missing display need no display.
struct WindowCommandLine {
    enum class Action { OpenWindow, Exit };
    Action action = Action::OpenWindow;
    int exitStatus = 0;
    std::string file; // to open once the window is shown; empty for none
};

// Reads the arguments (without the program name); `hasDisplay` tells whether a window can be shown.
// What --help, --version and errors print goes to `out` and `err`.
WindowCommandLine readWindowCommandLine(const std::vector<std::string>& args, bool hasDisplay, std::ostream& out,
                                        std::ostream& err);

// A display to show the window on: an X or Wayland display, or a Qt platform named outright.
bool environmentHasDisplay();

} // namespace vantrel
