#pragma once

#include <QString>

#include <optional>

namespace lumenor {

// Six decimal digits drawn uniformly from 000000 to 999999 with the kernel's random source;
// none when it cannot be read.
std::optional<QString> drawPin();

// The six-digit text of a number below one million, leading zeros kept.
QString formatPin(unsigned value);

}  // namespace lumenor
