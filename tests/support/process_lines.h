#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QString>

#include <functional>
#include <vector>

// The lines a running process prints, and the output's frame reports among them.
namespace lumenor::test {

// `p`'s lines, trimmed, read for up to `ms`, until `done` holds for the last one or `p` ends.
inline std::vector<QByteArray> readLines(QProcess& p, int ms,
                                         const std::function<bool(const QByteArray&)>& done = {}) {
    std::vector<QByteArray> lines;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        while (p.canReadLine()) {
            lines.push_back(p.readLine().trimmed());
            if (done && done(lines.back())) {
                return lines;
            }
        }
        if (p.state() == QProcess::NotRunning) {
            break;
        }
        p.waitForReadyRead(50);
    }
    return lines;
}

// A frame report of `lumenor show`, "frame 60.00 Hz dropped N steady|unsteady"; another line
// gives no rate and -1 dropped.
struct FrameLine {
    QString rate;
    int dropped = -1;
    bool steady = false;
};

inline FrameLine frameLine(const QByteArray& line) {
    static const QRegularExpression form(R"(^frame (\d+\.\d\d) Hz dropped (\d+) (un)?steady$)");
    const QRegularExpressionMatch m = form.match(QString::fromUtf8(line));
    return m.hasMatch() ? FrameLine{m.captured(1), m.captured(2).toInt(), !m.hasCaptured(3)}
                        : FrameLine{};
}

}  // namespace lumenor::test
