#pragma once

#include <QString>
#include <QUrl>

#include <optional>
#include <variant>

#include "calibration/patch_source.h"

namespace lumenor {

// The program a session takes its patches from, as the operator named it.
struct CalibrationPeer {
    bool resolve = true;  // false: the web display protocol at `address`
    QString host;
    quint16 port = 0;
    QUrl address;
    // How messages name the peer: HOST:PORT or the address.
    QString text() const;
};

// "resolve" with HOST, HOST:PORT or [IPv6]:PORT, or "argyll" with an http address (the
// scheme may be left out); none for anything else.
std::optional<CalibrationPeer> parseCalibrationPeer(const QString& program, const QString& where);

// The patch options as the operator typed them, each possibly left out.
struct PatchValues {
    std::optional<double> window;
    std::optional<double> background;
    std::optional<double> insertEvery;
    std::optional<double> insertFor;
    std::optional<double> insertGrey;
};

// Why the values cannot be used: `option` is out of [low, high] (`low` itself excluded
// where `lowExcluded`), or the insert pair was given half.
struct PatchValueError {
    QString option;  // the command's option name: "window", "insert-every", ...
    double low = 0.0;
    double high = 0.0;
    bool lowExcluded = false;
    bool halfPair = false;
};

std::variant<PatchOptions, PatchValueError> checkPatchValues(const PatchValues& values);

}  // namespace lumenor
