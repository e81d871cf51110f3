#pragma once

#include <QByteArray>

#include <optional>

#include "updates/appcast.h"

namespace lumenor {

// The Debian package every offer is for.
inline constexpr const char* kPackageName = "lumenor";

// What an item's offer signature covers: every claim the feed makes about the file, so that
// none can be changed under a genuine signature. One "key=value" line each:
//
//   lumenor-update-offer-1
//   package=lumenor
//   version=VERSION            lumenor:version
//   short-version=SHORT        lumenor:shortVersionString, may be empty
//   architecture=ARCH          lumenor:arch, may be empty for an Architecture: all package
//   length=LENGTH
//   sha256=HEX                 of the file, lower case
//
// None when the item has no enclosure or a claim holds a line break.
std::optional<QByteArray> offerStatement(const AppcastItem& item);

}  // namespace lumenor
