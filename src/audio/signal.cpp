#include "audio/signal.h"

namespace lumenor {

QString rawName(Signal signal) {
    switch (signal) {
        case Signal::off:
            return QStringLiteral("off");
        case Signal::tone:
            return QStringLiteral("tone");
        case Signal::pink:
            return QStringLiteral("pink");
    }
    return QStringLiteral("off");
}

QString rawName(Channels channels) {
    switch (channels) {
        case Channels::both:
            return QStringLiteral("both");
        case Channels::left:
            return QStringLiteral("left");
        case Channels::right:
            return QStringLiteral("right");
    }
    return QStringLiteral("both");
}

std::optional<Signal> signalFromRawName(const QString& name) {
    for (Signal s : {Signal::off, Signal::tone, Signal::pink}) {
        if (rawName(s) == name) {
            return s;
        }
    }
    return std::nullopt;
}

std::optional<Channels> channelsFromRawName(const QString& name) {
    for (Channels c : {Channels::both, Channels::left, Channels::right}) {
        if (rawName(c) == name) {
            return c;
        }
    }
    return std::nullopt;
}

}  // namespace lumenor
