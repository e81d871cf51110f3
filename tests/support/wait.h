#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace lumenor::test {

// Runs the Qt event loop until `done` holds or `ms` have passed; returns `done()`.
template <typename Done>
bool spinUntil(Done done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

// Polls `done` without running the event loop (for what other processes or the X server do)
// until it holds or `ms` have passed; returns `done()`.
template <typename Done>
bool waitUntil(Done done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QThread::msleep(10);
    }
    return done();
}

}  // namespace lumenor::test
