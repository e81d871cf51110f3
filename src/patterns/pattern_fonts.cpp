#include "patterns/pattern_fonts.h"

#include <QFontDatabase>
#include <QRawFont>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lumenor {

namespace {

struct Faces {
    QString sans;
    QString mono;
};

// The same family may be installed more than once (Nimbus Sans comes as OpenType, Type 1 and
// X11 Type 1), and which copy a bare family name picks differs between Qt platforms. The
// database then lists each copy as "Family [Foundry]"; take the one whose tables are those of
// the file we loaded, so screen and file draw with the very same outlines and metrics.
QString exactFamily(const QString& family, const QString& file) {
    const QByteArray head = QRawFont(file, 16, QFont::PreferNoHinting).fontTable("head");
    if (head.isEmpty()) {
        return family;
    }
    const QString withFoundry = family + QStringLiteral(" [");
    for (const QString& candidate : QFontDatabase::families()) {
        if (candidate != family && !candidate.startsWith(withFoundry)) {
            continue;
        }
        QFont font(candidate);
        font.setPixelSize(16);
        if (QRawFont::fromFont(font).fontTable("head") == head) {
            return candidate;
        }
    }
    return family;
}

QString loadFirst(const QStringList& files) {
    for (const QString& file : files) {
        const int id = QFontDatabase::addApplicationFont(file);
        if (id >= 0) {
            const QStringList families = QFontDatabase::applicationFontFamilies(id);
            if (!families.isEmpty()) {
                return exactFamily(families.first(), file);
            }
        }
    }
    return {};
}

const Faces& faces() {
    static const Faces loaded = [] {
        Faces f;
        f.sans = loadFirst(
            {QStringLiteral("/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf"),
             QStringLiteral("/usr/share/fonts/type1/urw-base35/NimbusSans-Regular.t1")});
        f.mono = loadFirst({QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf")});
        return f;
    }();
    return loaded;
}

}  // namespace

QString resolvedFamily(const char* family) {
    return std::strcmp(family, kMonoFamily) == 0 ? faces().mono : faces().sans;
}

QFont patternFont(const char* family, double pixelSize) {
    const QString resolved = resolvedFamily(family);
    const bool mono = std::strcmp(family, kMonoFamily) == 0;
    QFont font(resolved.isEmpty() ? QString::fromLatin1(family) : resolved);
    if (resolved.isEmpty()) {
        font.setStyleHint(mono ? QFont::Monospace : QFont::SansSerif);
    }
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixelSize))));
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(true);
    return font;
}

}  // namespace lumenor
