#include "updates/package_fields.h"

#include <QProcess>

#include "updates/update_offer.h"

namespace lumenor {
namespace {

constexpr int kDpkgDebMs = 30000;

}  // namespace

std::optional<PackageFields> readPackageFields(const QByteArray& deb) {
    QProcess dpkg;
    dpkg.start(QStringLiteral("dpkg-deb"),
               {QStringLiteral("--field"), QStringLiteral("-"), QStringLiteral("Package"),
                QStringLiteral("Version"), QStringLiteral("Architecture")});
    if (!dpkg.waitForStarted()) {
        return std::nullopt;
    }
    // dpkg-deb may stop reading once it has the control file; the rest is not needed.
    dpkg.write(deb);
    dpkg.closeWriteChannel();
    if (!dpkg.waitForFinished(kDpkgDebMs) || dpkg.exitStatus() != QProcess::NormalExit ||
        dpkg.exitCode() != 0) {
        dpkg.kill();
        return std::nullopt;
    }
    PackageFields fields;
    for (const QByteArray& line : dpkg.readAllStandardOutput().split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon < 0) {
            continue;
        }
        const QByteArray name = line.left(colon);
        const QString value = QString::fromUtf8(line.mid(colon + 1)).trimmed();
        if (name == "Package") {
            fields.package = value;
        } else if (name == "Version") {
            fields.version = value;
        } else if (name == "Architecture") {
            fields.architecture = value;
        }
    }
    return fields;
}

std::optional<QString> checkPackageFields(const QByteArray& deb, const AppcastItem& item) {
    const QString offered = QStringLiteral("Lumenor ") + item.displayVersion();
    const std::optional<PackageFields> fields = readPackageFields(deb);
    if (!fields) {
        return QStringLiteral(
                   "The download of %1 is not a package Lumenor can read, so Lumenor "
                   "discarded it.")
            .arg(offered);
    }
    const QString arch = item.enclosure && !item.enclosure->arch.isEmpty() ? item.enclosure->arch
                                                                           : QStringLiteral("all");
    if (fields->package != QLatin1String(kPackageName) || fields->version != item.version ||
        fields->architecture != arch) {
        return QStringLiteral(
                   "The download of %1 is, by its own fields, %2 %3 for %4, so "
                   "Lumenor discarded it.")
            .arg(offered, fields->package, fields->version, fields->architecture);
    }
    return std::nullopt;
}

}  // namespace lumenor
