#include "app/command_line.h"

#include <cstdlib>

namespace vantrel {

namespace {

constexpr const char* kUsage = "Usage: vantrel [FILE]";
constexpr const char* kHelp = R"(Open The Vantrel's window; with FILE, load its numbers as Paste loads the
clipboard's (a file of several columns asks which one).

  -h, --help      show this help and exit
  -V, --version   show the version and exit
  --              end of options: what follows is the FILE

vantrel-batch runs the same analysis without a window or a display.
)";

// Qt's own options, which QApplication takes out of the arguments; the first set take a value.
bool isQtOptionWithValue(const std::string& arg) {
    for (const char* option : {"-platform", "-platformpluginpath", "-platformtheme", "-plugin", "-style", "-stylesheet",
                               "-session", "-display", "-qwindowgeometry", "-qwindowtitle", "-qwindowicon"}) {
        if (arg == option) {
            return true;
        }
    }
    return false;
}

bool isQtSwitch(const std::string& arg) {
    return arg == "-reverse" || arg == "-nograb" || arg == "-dograb" || arg == "-sync" || arg == "-widgetcount";
}

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

WindowCommandLine exitWith(int status) {
    return {WindowCommandLine::Action::Exit, status, {}};
}

} // namespace

bool environmentHasDisplay() {
    // A platform named outright needs no display unless it is one of the two that do.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const std::string named = platform != nullptr ? platform : "";
    const bool needsDisplay = named.empty() || named.rfind("xcb", 0) == 0 || named.rfind("wayland", 0) == 0;
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || !needsDisplay;
}

WindowCommandLine readWindowCommandLine(const std::vector<std::string>& args, bool hasDisplay, std::ostream& out,
                                        std::ostream& err) {
    WindowCommandLine command;
    bool optionsEnded = false;
    bool skipValue = false;
    for (const std::string& arg : args) {
        if (skipValue || (!optionsEnded && (isQtOptionWithValue(arg) || isQtSwitch(arg)))) {
            skipValue = !skipValue && isQtOptionWithValue(arg);
            continue;
        }
        if (!optionsEnded && (arg == "-h" || arg == "--help")) {
            out << kUsage << "\n\n" << kHelp;
            return exitWith(0);
        }
        if (!optionsEnded && (arg == "-V" || arg == "--version")) {
            out << "vantrel " << VANTREL_VERSION << "\n";
            return exitWith(0);
        }
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            err << "vantrel: unknown option " << arg << "\nTry 'vantrel --help' for more information.\n";
            return exitWith(2);
        } else if (!command.file.empty()) {
            err << "vantrel: one FILE at most\nTry 'vantrel --help' for more information.\n";
            return exitWith(2);
        } else {
            command.file = arg;
        }
    }
    if (!hasDisplay) {
        err << "vantrel: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are not set); "
               "vantrel-batch needs none\n";
        return exitWith(1);
    }
    return command;
}

} // namespace vantrel
