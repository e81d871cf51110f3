#pragma once

#include <QString>

#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "support/xorg_testbed.h"

namespace lumenor::bench {

// A process that keeps one core busy until it is killed, so the figures are those of a
// machine with other work on it.
inline pid_t startBusyCore() {
    const pid_t pid = fork();
    if (pid == 0) {
        volatile unsigned long n = 0;
        for (;;) {
            n = n + 1;
        }
    }
    return pid;
}

// The virtual X server, or none once standard error says why.
inline std::unique_ptr<test::XorgTestbed> startXorg() {
    QString error;
    auto x = test::XorgTestbed::start(&error);
    if (!x) {
        std::fprintf(stderr, "virtual X server: %s\n", qPrintable(error));
    }
    return x;
}

}  // namespace lumenor::bench
