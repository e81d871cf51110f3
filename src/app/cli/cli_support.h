#pragma once

#include <QCommandLineParser>
#include <QString>

#include <memory>
#include <optional>

#include "displays/display_service.h"
#include "displays/xrandr_connection.h"
#include "displays/xrandr_mode_platform.h"

namespace lumenor::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitEnvironment = 1;  // no X display, no audio output, ...
inline constexpr int kExitUsage = 2;

// The arguments a Qt application object is made with: the program name alone, so that Qt
// never takes an operator's argument ("-display", "-platform", ...) for one of its own
// options. Must outlive the application object.
class QtArguments {
  public:
    explicit QtArguments(char* program) : argv_{program, nullptr} {}
    int& argc() { return argc_; }
    char** argv() { return argv_; }

  private:
    int argc_ = 1;
    char* argv_[2];
};

// Writes "lumenor: <message>" as one line on standard error.
void printError(const QString& message);

// Writes "lumenor: <message>" as one line where someone reads it: on standard error if that is
// a terminal, else on standard output if that is one; nowhere when neither is (a start from
// the desktop, whose output goes to a log).
void tellTerminal(const QString& message);

// Opens our X connection, or says on standard error why it cannot.
std::unique_ptr<XrandrConnection> openXOrExplain();

// The mode platform on a connection of its own, with this executable as its guardian.
std::unique_ptr<XrandrModePlatform> openModePlatformOrExplain();

// The hidden command line that runs the mode guardian: `lumenor __mode-guardian DISPLAY`.
inline constexpr const char* kModeGuardianCommand = "__mode-guardian";
// The same on GNOME's Wayland: `lumenor __gnome-mode-guardian BUS_ADDRESS`.
inline constexpr const char* kGnomeModeGuardianCommand = "__gnome-mode-guardian";

// The display that a DISPLAY argument names among `displays`: its number, its connector
// ("HDMI-1") or its monitor's exact name. None, after a message starting "COMMAND: " (when
// given), where nothing or more than one display answers to it.
const DisplayInfo* findDisplayOrExplain(const std::vector<DisplayInfo>& displays,
                                        const QString& argument, const QString& command);

// The active display that a DISPLAY argument names, or none after a message.
const DisplayInfo* displayFromArgument(const DisplayService& service, const QString& argument);

// Reads a --display option (a number, connector or monitor name) into `wanted` (left empty
// when the option is not given); false after a message when it names no single display.
bool displayOption(const QCommandLineParser& parser, const QCommandLineOption& option,
                   const char* command, std::optional<DisplayId>* wanted);

// The display asked for, or without one the first that is not built in (else the first);
// null after a message when there is none.
const DisplayInfo* chooseDisplayOrExplain(const std::vector<DisplayInfo>& displays,
                                          std::optional<DisplayId> wanted, const char* command);

// Makes Qt use this platform plugin ("xcb", "wayland") unless the user chose another.
void useQtPlatform(const char* plugin);

// Parses a command's arguments (argv[0] is the command's name). On a bad argument prints the
// problem and the command's usage on standard error and returns false.
bool parseOrExplain(QCommandLineParser& parser, int argc, char** argv, const char* command);

// A duration in seconds above 0 and at most `max`, or none.
std::optional<double> parseSeconds(const QString& text, double max);

// "usage: lumenor <name> <synopsis>" for one command.
QString usageLine(const char* command);

}  // namespace lumenor::cli
