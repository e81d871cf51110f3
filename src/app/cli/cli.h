#pragma once

#include <QStringList>

#include <vector>

namespace lumenor::cli {

// One subcommand of the `lumenor` command line.
struct Command {
    const char* name;
    const char* synopsis;  // the arguments after the name, for usage lines
    const char* summary;
    // argv[0] is the command's name; returns the process's exit status.
    int (*run)(int argc, char** argv);
};

const std::vector<Command>& commands();

// The whole command line: no arguments starts the desktop application.
int run(int argc, char** argv);

}  // namespace lumenor::cli
