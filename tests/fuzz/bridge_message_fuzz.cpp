// Builds bridge messages from the fuzzer's bytes and checks what the parser gives back.
#include <fuzzer/FuzzedDataProvider.h>

#include <QString>
#include <QVariant>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "controller/bridge_message.h"

namespace {

using lumenor::Verb;
namespace verbs = lumenor::verbs;

constexpr std::array kKeys = {"verb", "id",     "name",     "delta",  "on",  "seconds", "ratios",
                              "url",  "signal", "channels", "invert", "fps", "text",    "skipped"};

constexpr std::array kEdgeNumbers = {0.0,
                                     -0.0,
                                     0.5,
                                     1.0,
                                     1.5,
                                     -1.0,
                                     29.97,
                                     2147483647.0,
                                     2147483648.0,
                                     -2147483648.0,
                                     -2147483649.0,
                                     4294967295.0,
                                     4294967296.0,
                                     9223372036854775807.0,
                                     -9223372036854775808.0,
                                     1e300,
                                     -1e300,
                                     std::numeric_limits<double>::infinity(),
                                     std::numeric_limits<double>::quiet_NaN(),
                                     std::numeric_limits<double>::denorm_min()};

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "bridge parser invariant broken: %s\n", what);
    std::abort();
}

void require(bool ok, const char* what) {
    if (!ok) {
        fail(what);
    }
}

QString makeString(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0: {
            const QStringList& names = lumenor::verbNames();
            QString name = names.at(in.ConsumeIntegralInRange<qsizetype>(0, names.size() - 1));
            switch (in.ConsumeIntegralInRange(0, 3)) {
                case 1:
                    name = name.toUpper();
                    break;
                case 2:
                    name += QLatin1Char(' ');
                    break;
                case 3:
                    name.prepend(QLatin1Char('\t'));
                    break;
                default:
                    break;
            }
            return name;
        }
        case 1:
            return QString::fromLatin1(
                kKeys[in.ConsumeIntegralInRange<std::size_t>(0, kKeys.size() - 1)]);
        default: {
            const std::string bytes = in.ConsumeRandomLengthString(64);
            return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
        }
    }
}

QVariant makeValue(FuzzedDataProvider& in, int depth);

QVariantMap makeMap(FuzzedDataProvider& in, int depth, bool withVerb) {
    QVariantMap map;
    if (withVerb) {
        map.insert(QStringLiteral("verb"),
                   in.ConsumeBool() ? QVariant(makeString(in)) : makeValue(in, depth + 1));
    }
    const int count = in.ConsumeIntegralInRange(0, 6);
    for (int i = 0; i < count; ++i) {
        const QString key =
            in.ConsumeIntegralInRange(0, 7) != 0
                ? QString::fromLatin1(
                      kKeys[in.ConsumeIntegralInRange<std::size_t>(0, kKeys.size() - 1)])
                : makeString(in);
        map.insert(key, makeValue(in, depth + 1));
    }
    return map;
}

QVariant makeValue(FuzzedDataProvider& in, int depth) {
    const int last = depth > 3 ? 8 : 10;
    switch (in.ConsumeIntegralInRange(0, last)) {
        case 0:
            return {};
        case 1:
            return QVariant::fromValue(nullptr);
        case 2:
            return in.ConsumeBool();
        case 3:
            return QVariant::fromValue(in.ConsumeIntegral<qlonglong>());
        case 4:
            return QVariant::fromValue(
                kEdgeNumbers[in.ConsumeIntegralInRange<std::size_t>(0, kEdgeNumbers.size() - 1)]);
        case 5:
            return in.ConsumeFloatingPoint<double>();
        case 6:
            return QVariant::fromValue(in.ConsumeIntegralInRange<qlonglong>(-3, 4294967297LL));
        case 7:
            return QVariant::fromValue(in.ConsumeIntegral<qulonglong>());
        case 8:
            return makeString(in);
        case 9: {
            QVariantList list;
            const int count = in.ConsumeIntegralInRange(0, 5);
            for (int i = 0; i < count; ++i) {
                list.push_back(in.ConsumeBool() ? QVariant(makeString(in))
                                                : makeValue(in, depth + 1));
            }
            return list;
        }
        default:
            return makeMap(in, depth, in.ConsumeBool());
    }
}

bool isWholeNumberValue(const QVariant& v, long double expected) {
    switch (v.typeId()) {
        case QMetaType::LongLong:
            return static_cast<long double>(v.toLongLong()) == expected;
        case QMetaType::ULongLong:
            return static_cast<long double>(v.toULongLong()) == expected;
        case QMetaType::Double:
            return static_cast<long double>(v.toDouble()) == expected;
        default:
            return false;
    }
}

void check(const QString& handler, const QVariant& body, const Verb& verb) {
    require(handler == QLatin1String("bridge"), "verb from another handler");
    require(body.typeId() == QMetaType::QVariantMap, "verb from a body that is no dictionary");
    const QVariantMap map = body.toMap();
    const QVariant name = map.value(QStringLiteral("verb"));
    require(name.typeId() == QMetaType::QString, "verb string is not a string");
    require(name.toString() == lumenor::verbName(verb), "verb string differs from the case built");

    if (const auto* v = std::get_if<verbs::SelectDisplay>(&verb)) {
        require(isWholeNumberValue(map.value(QStringLiteral("id")), v->id), "display id changed");
    } else if (const auto* v = std::get_if<verbs::SelectOutputDisplay>(&verb)) {
        require(isWholeNumberValue(map.value(QStringLiteral("id")), v->id), "display id changed");
    } else if (const auto* v = std::get_if<verbs::ApplyMode>(&verb)) {
        require(isWholeNumberValue(map.value(QStringLiteral("id")), v->id), "mode id changed");
    } else if (const auto* v = std::get_if<verbs::CyclePattern>(&verb)) {
        const QVariant delta = map.value(QStringLiteral("delta"));
        require(v->delta == 1 || isWholeNumberValue(delta, static_cast<long double>(v->delta)),
                "delta changed");
    } else if (const auto* v = std::get_if<verbs::SaveProfile>(&verb)) {
        require(!v->name.isEmpty(), "profile saved under an empty name");
        require(map.value(QStringLiteral("name")).toString() == v->name, "profile name changed");
    } else if (const auto* v = std::get_if<verbs::SetTimecodeFps>(&verb)) {
        const QVariant fps = map.value(QStringLiteral("fps"));
        require(fps.isValid(), "frame rate without \"fps\"");
        if (fps.typeId() == QMetaType::Double) {
            require(static_cast<long double>(v->value) ==
                        std::trunc(static_cast<long double>(fps.toDouble())),
                    "frame rate not truncated");
        }
    } else if (const auto* v = std::get_if<verbs::SetAspectRatios>(&verb)) {
        const QVariant ratios = map.value(QStringLiteral("ratios"));
        require(ratios.toList().size() == v->value.size(), "ratios changed");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const QString handler =
        in.ConsumeIntegralInRange(0, 15) != 0 ? QStringLiteral("bridge") : makeString(in);
    const QVariant body = in.ConsumeIntegralInRange(0, 15) != 0
                              ? QVariant(makeMap(in, 0, in.ConsumeIntegralInRange(0, 15) != 0))
                              : makeValue(in, 0);
    int calls = 0;
    lumenor::deliverBridgeMessage(handler, body, [&](const Verb& verb) {
        ++calls;
        check(handler, body, verb);
    });
    const bool parsed = lumenor::parseBridgeMessage(handler, body).has_value();
    require(calls == (parsed ? 1 : 0), "onVerb called other than once per parsed message");
    return 0;
}
