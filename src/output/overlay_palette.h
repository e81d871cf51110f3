#pragma once

#include <QColor>

// The overlay colours of banners, cards and the controller window (sRGB).
namespace lumenor::palette {

inline QColor ink() {
    return {10, 11, 15};
}
inline QColor deepInk() {
    return {7, 8, 11};
}
inline QColor paper() {
    return {244, 242, 236};
}
inline QColor slate() {
    return {154, 160, 171};
}
inline QColor iris() {
    return {140, 124, 247};
}
inline QColor amber() {
    return {245, 200, 66};
}

}  // namespace lumenor::palette
