#pragma once

#include <QString>

#include <optional>

namespace lumenor {

// What the audio generator plays; raw values cross the controller and command-line boundary.
enum class Signal { off, tone, pink };

// Which channels carry the signal.
enum class Channels { both, left, right };

QString rawName(Signal signal);
QString rawName(Channels channels);
std::optional<Signal> signalFromRawName(const QString& name);
std::optional<Channels> channelsFromRawName(const QString& name);

}  // namespace lumenor
