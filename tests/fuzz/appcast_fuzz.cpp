// Reads the fuzzer's bytes as an update feed: whatever they are, the reader returns (no
// recursion to run out of stack, no read past the input), and a feed with an error has no
// items.
#include <QByteArray>

#include <cstdio>
#include <cstdlib>

#include "updates/appcast.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const lumenor::AppcastParse feed = lumenor::parseAppcast(bytes);
    if (feed.error && !feed.items.empty()) {
        std::fprintf(stderr, "feed reader invariant broken: items from a feed with an error\n");
        std::abort();
    }
    for (const lumenor::AppcastItem& item : feed.items) {
        if (item.enclosure && item.enclosure->length < -1) {
            std::fprintf(stderr, "feed reader invariant broken: a negative length\n");
            std::abort();
        }
    }
    return 0;
}
