#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// Kept free of Qt headers: X11 code includes this after Xlib, whose macros break them.
class QJsonObject;

namespace lumenor {

// One display mode. Equal and hashed by `id` alone: two records of the same mode compare
// equal whatever their marks say.
struct ModeInfo {
    std::int32_t id = 0;  // the platform's mode number (on X11, the RandR mode id)
    std::int64_t pointWidth = 0;
    std::int64_t pointHeight = 0;
    std::int64_t pixelWidth = 0;
    std::int64_t pixelHeight = 0;
    double refreshHz = 0.0;
    bool isCurrent = false;
    bool isNative = false;
    // The platform's own mode object, handed back when the mode is applied. Copies share it.
    std::shared_ptr<const void> raw;

    // The object the controller page receives for one mode.
    QJsonObject toJson() const;
    // "1920x1080 @ 59.94 Hz" (the rate left out where unknown), as logs and messages name it:
    // a trial of another rate at the same size must read differently.
    std::string label() const;
    // The same mode as a head turned a quarter (portrait) shows it: width and height swap.
    ModeInfo turnedQuarter() const;

    friend bool operator==(const ModeInfo& a, const ModeInfo& b) { return a.id == b.id; }
};

}  // namespace lumenor

template <>
struct std::hash<lumenor::ModeInfo> {
    std::size_t operator()(const lumenor::ModeInfo& m) const noexcept {
        return std::hash<std::int32_t>{}(m.id);
    }
};
