#pragma once

#include <QCoreApplication>

#include <memory>

#include "app/cli/cli_support.h"
#include "displays/display_service.h"

namespace lumenor::cli {

// The kind of Qt application a command needs: windows, screens alone, or neither.
enum class QtUse { core, gui, widgets };

// What a command on the displays starts with: the Qt application and the display list. The
// application is made from `qtArgs`, so the session stays where it is made.
struct XSession {
    XSession(char* program, QtUse use, std::unique_ptr<XrandrConnection> connection);
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    QtArguments qtArgs;
    std::unique_ptr<QCoreApplication> app;
    DisplayService displays;
};

// Routes the log, opens our X connection, makes the Qt application (on its X11 back end for
// screens and windows), then lists the displays. None, after a message, without an X server.
std::unique_ptr<XSession> openXSessionOrExplain(char* program, QtUse use);

}  // namespace lumenor::cli
