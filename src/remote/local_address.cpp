#include "remote/local_address.h"

#include <arpa/inet.h>

namespace lumenor {

namespace {

bool isPhysicalName(const QString& name) {
    return name.startsWith(QLatin1String("en")) || name.startsWith(QLatin1String("eth")) ||
           name.startsWith(QLatin1String("wl"));
}

}  // namespace

std::optional<QString> chooseLocalAddress(const std::vector<InterfaceEntry>& entries) {
    for (const InterfaceEntry& e : entries) {
        if (!e.up || e.loopback || !e.ipv4 || !e.hasDevice || !isPhysicalName(e.name)) {
            continue;
        }
        std::array<char, INET_ADDRSTRLEN> text{};
        if (inet_ntop(AF_INET, e.ipv4->data(), text.data(), text.size()) == nullptr) {
            continue;
        }
        return QString::fromLatin1(text.data());
    }
    return std::nullopt;
}

}  // namespace lumenor
