#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

#include "updates/appcast.h"

namespace lumenor {

// The fields of a Debian package's own control file that say what it is.
struct PackageFields {
    QString package;
    QString version;
    QString architecture;
};

// Reads them with dpkg-deb (the package goes to it on standard input); none when it cannot.
std::optional<PackageFields> readPackageFields(const QByteArray& deb);

// Why the package is not the one `item` offers (another name, version or architecture, or
// not a package at all), in one sentence; none when its fields are the offer's.
std::optional<QString> checkPackageFields(const QByteArray& deb, const AppcastItem& item);

}  // namespace lumenor
