#include "profiles/profile_json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

#include "core/json_number.h"

namespace lumenor {

namespace {

// QJsonObject sorts its keys; the stored objects keep the field order instead, so each
// object is written by hand from values that QJsonDocument serialises.
class ObjectWriter {
  public:
    void add(const char* key, const QJsonValue& value) {
        out_ += first_ ? "{" : ",";
        first_ = false;
        out_ += scalarText(QJsonValue(QLatin1String(key)));
        out_ += ':';
        out_ += scalarText(value);
    }
    QByteArray finish() { return first_ ? QByteArray("{}") : out_ + '}'; }

  private:
    static QByteArray scalarText(const QJsonValue& value) {
        const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
        return wrapped.mid(1, wrapped.size() - 2);
    }
    QByteArray out_;
    bool first_ = true;
};

std::optional<QByteArray> encodeProfile(const Profile& p) {
    const bool finite = std::isfinite(p.bouncePeriod) &&
                        (!p.refreshHz || std::isfinite(*p.refreshHz)) &&
                        (!p.syncOffsetMs || std::isfinite(*p.syncOffsetMs));
    if (!finite) {
        return std::nullopt;
    }
    ObjectWriter w;
    w.add("name", p.name);
    if (p.outputDisplayName) {
        w.add("outputDisplayName", *p.outputDisplayName);
    }
    w.add("pattern", p.pattern);
    w.add("aspectRatios", QJsonArray::fromStringList(p.aspectRatios));
    w.add("bouncePeriod", p.bouncePeriod);
    if (p.pixelWidth) {
        w.add("pixelWidth", static_cast<qint64>(*p.pixelWidth));
    }
    if (p.pixelHeight) {
        w.add("pixelHeight", static_cast<qint64>(*p.pixelHeight));
    }
    if (p.refreshHz) {
        w.add("refreshHz", *p.refreshHz);
    }
    if (p.slateText) {
        w.add("slateText", *p.slateText);
    }
    if (p.syncOffsetMs) {
        w.add("syncOffsetMs", *p.syncOffsetMs);
    }
    if (p.videoRange) {
        w.add("videoRange", *p.videoRange);
    }
    return w.finish();
}

// Reads one optional key: nullopt inside means missing or null; an outer none means the
// value is there but of the wrong type.
template <typename T, typename Convert>
std::optional<std::optional<T>> optionalField(const QJsonObject& o, const char* key,
                                              Convert convert) {
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined() || v.isNull()) {
        return std::optional<T>{};
    }
    const std::optional<T> converted = convert(v);
    if (!converted) {
        return std::nullopt;
    }
    return converted;
}

std::optional<QString> stringOf(const QJsonValue& v) {
    return v.isString() ? std::optional<QString>(v.toString()) : std::nullopt;
}

std::optional<double> doubleOf(const QJsonValue& v) {
    return v.isDouble() ? std::optional<double>(v.toDouble()) : std::nullopt;
}

std::optional<QStringList> stringsOf(const QJsonValue& v) {
    if (!v.isArray()) {
        return std::nullopt;
    }
    QStringList list;
    for (const QJsonValue element : v.toArray()) {
        if (!element.isString()) {
            return std::nullopt;
        }
        list.push_back(element.toString());
    }
    return list;
}

std::optional<Profile> decodeProfile(const QJsonValue& value) {
    if (!value.isObject()) {
        return std::nullopt;
    }
    const QJsonObject o = value.toObject();
    const auto name = stringOf(o.value(QLatin1String("name")));
    const auto pattern = stringOf(o.value(QLatin1String("pattern")));
    const auto ratios = stringsOf(o.value(QLatin1String("aspectRatios")));
    const auto bounce = doubleOf(o.value(QLatin1String("bouncePeriod")));
    const auto display = optionalField<QString>(o, "outputDisplayName", stringOf);
    const auto width = optionalField<std::int64_t>(o, "pixelWidth", jsonWholeNumber);
    const auto height = optionalField<std::int64_t>(o, "pixelHeight", jsonWholeNumber);
    const auto refresh = optionalField<double>(o, "refreshHz", doubleOf);
    const auto slate = optionalField<QString>(o, "slateText", stringOf);
    const auto offset = optionalField<double>(o, "syncOffsetMs", doubleOf);
    const auto range = optionalField<QString>(o, "videoRange", stringOf);
    if (!name || !pattern || !ratios || !bounce || !display || !width || !height || !refresh ||
        !slate || !offset || !range) {
        return std::nullopt;
    }
    return Profile{*name,   *display, *pattern, *ratios, *bounce, *width,
                   *height, *refresh, *slate,   *offset, *range};
}

}  // namespace

std::optional<QByteArray> encodeProfiles(const std::vector<Profile>& profiles) {
    QByteArray out = "[";
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        const std::optional<QByteArray> object = encodeProfile(profiles[i]);
        if (!object) {
            return std::nullopt;
        }
        if (i > 0) {
            out += ',';
        }
        out += *object;
    }
    return out + ']';
}

std::optional<std::vector<Profile>> decodeProfiles(const QByteArray& bytes) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray()) {
        return std::nullopt;
    }
    std::vector<Profile> profiles;
    for (const QJsonValue element : doc.array()) {
        std::optional<Profile> p = decodeProfile(element);
        if (!p) {
            return std::nullopt;
        }
        profiles.push_back(std::move(*p));
    }
    return profiles;
}

}  // namespace lumenor
