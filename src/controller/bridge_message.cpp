#include "controller/bridge_message.h"

#include <QVariantHash>
#include <QVariantMap>

#include <array>
#include <limits>

#include "controller/bridge_values.h"

namespace lumenor {

namespace {

// The message body: a string-keyed dictionary. A missing key reads as an invalid QVariant,
// which every conversion treats as absent.
class Body {
  public:
    explicit Body(const QVariant& body) {
        if (body.typeId() == QMetaType::QVariantMap) {
            map_ = body.toMap();
            valid_ = true;
        } else if (body.typeId() == QMetaType::QVariantHash) {
            const QVariantHash hash = body.toHash();
            for (auto it = hash.cbegin(); it != hash.cend(); ++it) {
                map_.insert(it.key(), it.value());
            }
            valid_ = true;
        }
    }
    bool valid() const { return valid_; }
    QVariant operator[](const char* key) const { return map_.value(QLatin1String(key)); }

  private:
    QVariantMap map_;
    bool valid_ = false;
};

template <typename T>
std::optional<T> inRange(std::optional<std::int64_t> n) {
    if (!n || *n < std::numeric_limits<T>::min() || *n > std::numeric_limits<T>::max()) {
        return std::nullopt;
    }
    return static_cast<T>(*n);
}

using Parse = std::optional<Verb> (*)(const Body&);

template <typename Case>
std::optional<Verb> noValues(const Body&) {
    return Case{};
}

template <typename Case>
std::optional<Verb> displayId(const Body& b) {
    const auto id = inRange<std::uint32_t>(bridge::wholeNumber(b["id"]));
    if (!id) {
        return std::nullopt;
    }
    return Case{*id};
}

template <typename Case>
std::optional<Verb> requiredName(const Body& b) {
    const auto name = bridge::string(b["name"]);
    if (!name) {
        return std::nullopt;
    }
    return Case{*name};
}

template <typename Case>
std::optional<Verb> flagOn(const Body& b) {
    return Case{bridge::boolean(b["on"]).value_or(false)};
}

std::optional<Verb> showPattern(const Body& b) {
    return requiredName<verbs::ShowPattern>(b);
}

std::optional<Verb> cyclePattern(const Body& b) {
    return verbs::CyclePattern{bridge::wholeNumber(b["delta"]).value_or(1)};
}

std::optional<Verb> applyMode(const Body& b) {
    const auto id = inRange<std::int32_t>(bridge::wholeNumber(b["id"]));
    if (!id) {
        return std::nullopt;
    }
    return verbs::ApplyMode{*id};
}

std::optional<Verb> setBounceRate(const Body& b) {
    const auto seconds = bridge::numberAsDouble(b["seconds"]);
    if (!seconds) {
        return std::nullopt;
    }
    return verbs::SetBounceRate{*seconds};
}

std::optional<Verb> setAspectRatios(const Body& b) {
    const auto ratios = bridge::stringArray(b["ratios"]);
    if (!ratios) {
        return std::nullopt;
    }
    return verbs::SetAspectRatios{*ratios};
}

std::optional<Verb> autoCycle(const Body& b) {
    return verbs::AutoCycle{bridge::boolean(b["on"]).value_or(false),
                            bridge::numberAsDouble(b["seconds"]).value_or(2.0)};
}

std::optional<Verb> openURL(const Body& b) {
    const auto url = bridge::string(b["url"]);
    if (!url) {
        return std::nullopt;
    }
    return verbs::OpenURL{*url};
}

std::optional<Verb> setAudio(const Body& b) {
    return verbs::SetAudio{bridge::string(b["signal"]).value_or(QStringLiteral("off")),
                           bridge::string(b["channels"]).value_or(QStringLiteral("both")),
                           bridge::boolean(b["invert"]).value_or(false)};
}

std::optional<Verb> setSyncOffset(const Body& b) {
    const auto ms = bridge::finiteNumber(b["ms"]);
    if (!ms) {
        return std::nullopt;
    }
    return verbs::SetSyncOffset{*ms};
}

std::optional<Verb> setTimecodeFps(const Body& b) {
    const auto fps = bridge::truncatedNumber(b["fps"]);
    if (!fps) {
        return std::nullopt;
    }
    return verbs::SetTimecodeFps{*fps};
}

std::optional<Verb> setSlateText(const Body& b) {
    return verbs::SetSlateText{bridge::string(b["text"]).value_or(QString())};
}

std::optional<Verb> setVideoRange(const Body& b) {
    const auto range = bridge::string(b["range"]);
    if (!range) {
        return std::nullopt;
    }
    return verbs::SetVideoRange{*range};
}

std::optional<Verb> saveProfile(const Body& b) {
    const auto name = bridge::string(b["name"]);
    if (!name || name->isEmpty()) {
        return std::nullopt;
    }
    return verbs::SaveProfile{*name};
}

std::optional<Verb> tourEvent(const Body& b) {
    return verbs::TourEvent{bridge::boolean(b["skipped"]).value_or(false)};
}

std::optional<Verb> startCalibration(const Body& b) {
    verbs::StartCalibration v;
    v.program = bridge::string(b["program"]).value_or(QString());
    v.address = bridge::string(b["address"]).value_or(QString());
    v.display = inRange<std::uint32_t>(bridge::wholeNumber(b["display"]));
    v.window = bridge::numberAsDouble(b["window"]);
    v.background = bridge::numberAsDouble(b["background"]);
    v.insertEvery = bridge::numberAsDouble(b["insertEvery"]);
    v.insertFor = bridge::numberAsDouble(b["insertFor"]);
    v.insertGrey = bridge::numberAsDouble(b["insertGrey"]);
    return v;
}

struct Entry {
    const char* name;
    Parse parse;
};

// Indexed like Verb's alternatives.
constexpr std::array<Entry, kVerbCount> kTable = {{
    {"selectDisplay", displayId<verbs::SelectDisplay>},
    {"selectOutputDisplay", displayId<verbs::SelectOutputDisplay>},
    {"showPattern", showPattern},
    {"cyclePattern", cyclePattern},
    {"applyMode", applyMode},
    {"showOutput", flagOn<verbs::ShowOutput>},
    {"showInfo", flagOn<verbs::ShowInfo>},
    {"setBounceRate", setBounceRate},
    {"setAspectRatios", setAspectRatios},
    {"autoCycle", autoCycle},
    {"openURL", openURL},
    {"setAudio", setAudio},
    {"setSyncOffset", setSyncOffset},
    {"setTimecodeFps", setTimecodeFps},
    {"setSlateText", setSlateText},
    {"setVideoRange", setVideoRange},
    {"setEditing", flagOn<verbs::SetEditing>},
    {"setMirror", flagOn<verbs::SetMirror>},
    {"setRemote", flagOn<verbs::SetRemote>},
    {"saveProfile", saveProfile},
    {"loadProfile", requiredName<verbs::LoadProfile>},
    {"deleteProfile", requiredName<verbs::DeleteProfile>},
    {"tourEvent", tourEvent},
    {"startCalibration", startCalibration},
    {"ready", noValues<verbs::Ready>},
    {"confirmMode", noValues<verbs::ConfirmMode>},
    {"revertMode", noValues<verbs::RevertMode>},
    {"blank", noValues<verbs::Blank>},
    {"identifyDisplays", noValues<verbs::IdentifyDisplays>},
    {"pickSlateLogo", noValues<verbs::PickSlateLogo>},
    {"clearSlateLogo", noValues<verbs::ClearSlateLogo>},
    {"copyReport", noValues<verbs::CopyReport>},
    {"stopCalibration", noValues<verbs::StopCalibration>},
}};

}  // namespace

const QStringList& verbNames() {
    static const QStringList names = [] {
        QStringList list;
        for (const Entry& e : kTable) {
            list.push_back(QString::fromLatin1(e.name));
        }
        return list;
    }();
    return names;
}

QString verbName(const Verb& verb) {
    return verbNames().at(static_cast<qsizetype>(verb.index()));
}

std::optional<Verb> parseBridgeMessage(const QString& handlerName, const QVariant& body) {
    if (handlerName != QLatin1String(kBridgeHandlerName)) {
        return std::nullopt;
    }
    const Body b(body);
    if (!b.valid()) {
        return std::nullopt;
    }
    const auto name = bridge::string(b["verb"]);
    if (!name) {
        return std::nullopt;
    }
    const qsizetype index = verbNames().indexOf(*name);
    if (index < 0) {
        return std::nullopt;
    }
    std::optional<Verb> verb = kTable[static_cast<std::size_t>(index)].parse(b);
    // The table and the variant must agree on every case.
    Q_ASSERT(!verb || verb->index() == static_cast<std::size_t>(index));
    return verb;
}

void deliverBridgeMessage(const QString& handlerName, const QVariant& body,
                          const std::function<void(const Verb&)>& onVerb) {
    std::optional<Verb> verb = parseBridgeMessage(handlerName, body);
    if (verb && onVerb) {
        onVerb(*verb);
    }
}

}  // namespace lumenor
