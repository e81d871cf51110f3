#include <QFileInfo>

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cstring>

#include "remote/local_address.h"

namespace lumenor {

std::vector<InterfaceEntry> systemInterfaces() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return {};
    }
    std::vector<InterfaceEntry> entries;
    for (const ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
        InterfaceEntry e;
        e.name = QString::fromLocal8Bit(a->ifa_name);
        e.up = (a->ifa_flags & IFF_UP) != 0;
        e.loopback = (a->ifa_flags & IFF_LOOPBACK) != 0;
        e.hasDevice = !e.name.contains(QLatin1Char('/')) &&
                      QFileInfo::exists(QStringLiteral("/sys/class/net/%1/device").arg(e.name));
        if (a->ifa_addr != nullptr && a->ifa_addr->sa_family == AF_INET) {
            sockaddr_in in{};
            std::memcpy(&in, a->ifa_addr, sizeof in);
            std::array<std::uint8_t, 4> bytes{};
            std::memcpy(bytes.data(), &in.sin_addr, bytes.size());
            e.ipv4 = bytes;
        }
        entries.push_back(std::move(e));
    }
    freeifaddrs(list);
    return entries;
}

std::optional<QString> systemLocalAddress() {
    return chooseLocalAddress(systemInterfaces());
}

}  // namespace lumenor
