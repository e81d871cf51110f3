#include "patterns/pattern_fonts.h"

#include <QFontDatabase>
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

QString loadFirst(const QStringList& files) {
    for (const QString& file : files) {
        const int id = QFontDatabase::addApplicationFont(file);
        if (id >= 0) {
            const QStringList families = QFontDatabase::applicationFontFamilies(id);
            if (!families.isEmpty()) {
                return families.first();
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
