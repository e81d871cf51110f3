#include "remote/pin.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdint>
#include <limits>

namespace lumenor {

std::optional<QString> drawPin() {
    constexpr std::uint32_t kRange = 1000000;
    // Drawing again above the largest multiple of the range keeps every PIN equally likely.
    constexpr std::uint32_t kLimit = std::numeric_limits<std::uint32_t>::max() -
                                     std::numeric_limits<std::uint32_t>::max() % kRange;
    for (;;) {
        std::uint32_t value = 0;
        const ssize_t got = getrandom(&value, sizeof value, 0);
        if (got != static_cast<ssize_t>(sizeof value)) {
            if (got < 0 && errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (value < kLimit) {
            return formatPin(value % kRange);
        }
    }
}

QString formatPin(unsigned value) {
    return QStringLiteral("%1").arg(value % 1000000U, 6, 10, QLatin1Char('0'));
}

}  // namespace lumenor
