#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

#include "calibration/patch.h"

namespace lumenor {

// The colour in one answer of a web display's message address: "#RRGGBB", perhaps after a
// line break; none for anything else.
std::optional<DeviceRgb> parseWebDisplayColour(QByteArrayView answer);

// The query of the next request, which also tells the tool what is on screen: the colour in
// the form the tool's own page sends it, then a number that keeps caches out of the way.
QString webDisplayQuery(const std::optional<DeviceRgb>& shown, quint32 nonce);

}  // namespace lumenor
