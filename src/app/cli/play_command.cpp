#include <QCommandLineParser>

#include <chrono>
#include <csignal>
#include <thread>

#include "app/cli/cli_support.h"
#include "app/cli/commands.h"
#include "audio/audio_generator.h"
#include "audio/click_player.h"
#include "audio/rtaudio_stream.h"
#include "core/log.h"

namespace lumenor::cli {

namespace {

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int) {
    interrupted = 1;
}

// Sleeps up to `seconds` (forever when negative), returning early on SIGINT or SIGTERM.
void waitFor(double seconds) {
    using namespace std::chrono;
    const auto end = steady_clock::now() + duration<double>(seconds < 0 ? 0 : seconds);
    while (interrupted == 0 && (seconds < 0 || steady_clock::now() < end)) {
        std::this_thread::sleep_for(milliseconds(10));
    }
}

bool parseNumber(const QString& text, double min, double* out) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !(value >= min) || value > 1e7) {
        return false;
    }
    *out = value;
    return true;
}

int usageError(const QString& message) {
    printError(QStringLiteral("play: %1").arg(message));
    printError(usageLine("play"));
    return kExitUsage;
}

int noOutput(const AudioStream& stream) {
    const QString why =
        stream.lastError().isEmpty() ? QStringLiteral("unknown reason") : stream.lastError();
    printError(QStringLiteral("play: no audio output could be opened (%1)").arg(why));
    return kExitEnvironment;
}

int playSignal(Signal signal, Channels channels, bool invert, double seconds) {
    auto stream = std::make_unique<RtAudioStream>(QStringLiteral("Lumenor test signal"));
    const AudioStream& output = *stream;
    AudioGenerator generator(std::move(stream));
    generator.apply(signal, channels, invert);
    if (!generator.isPlaying()) {
        return noOutput(output);
    }
    waitFor(seconds);
    generator.apply(Signal::off, channels, invert);
    return kExitOk;
}

int playMarkers(bool click, int count, double interval) {
    auto stream = std::make_unique<RtAudioStream>(QStringLiteral("Lumenor sync markers"));
    const AudioStream& output = *stream;
    ClickPlayer player(std::move(stream));
    if (!player.isReady()) {
        return noOutput(output);
    }
    const PcmBuffer* sound = click ? player.clickBuffer() : player.beepBuffer();
    // A stream that has only just started can lose its first milliseconds in the server, as
    // the application's player never does: it starts long before the first bounce.
    waitFor(0.3);
    for (int i = 0; i < count && interrupted == 0; ++i) {
        if (i > 0) {
            waitFor(interval);
        }
        player.play(sound);
    }
    // Let the last sound and the output's latency run out before the stream closes.
    waitFor(static_cast<double>(sound->frames()) / sound->sampleRate + 0.5);
    return kExitOk;
}

}  // namespace

int runPlay(int argc, char** argv) {
    QCommandLineParser parser;
    const QCommandLineOption channelsOpt(QStringLiteral("channels"),
                                         QStringLiteral("both, left or right"),
                                         QStringLiteral("channels"), QStringLiteral("both"));
    const QCommandLineOption invertOpt(QStringLiteral("invert"),
                                       QStringLiteral("invert the right channel"));
    const QCommandLineOption secondsOpt(
        QStringLiteral("seconds"), QStringLiteral("stop after N seconds"), QStringLiteral("N"));
    const QCommandLineOption countOpt(QStringLiteral("count"), QStringLiteral("sounds to play"),
                                      QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption intervalOpt(QStringLiteral("interval"),
                                         QStringLiteral("seconds between sounds"),
                                         QStringLiteral("S"), QStringLiteral("1"));
    parser.addOptions({channelsOpt, invertOpt, secondsOpt, countOpt, intervalOpt});
    if (!parseOrExplain(parser, argc, argv, "play")) {
        return kExitUsage;
    }
    const QStringList args = parser.positionalArguments();
    if (args.size() != 1) {
        return usageError(QStringLiteral("expected one sound: tone, pink, click or beep"));
    }
    const QString& what = args.front();

    // The stream logs which back end plays.
    installLogHandler();
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);

    if (what == QLatin1String("tone") || what == QLatin1String("pink")) {
        if (parser.isSet(countOpt) || parser.isSet(intervalOpt)) {
            return usageError(QStringLiteral("--count and --interval go with click and beep"));
        }
        const std::optional<Channels> channels = channelsFromRawName(parser.value(channelsOpt));
        if (!channels) {
            return usageError(QStringLiteral("--channels must be both, left or right, not '%1'")
                                  .arg(parser.value(channelsOpt)));
        }
        double seconds = -1;
        if (parser.isSet(secondsOpt) && !parseNumber(parser.value(secondsOpt), 0, &seconds)) {
            return usageError(QStringLiteral("--seconds must be a number of seconds, not '%1'")
                                  .arg(parser.value(secondsOpt)));
        }
        return playSignal(*signalFromRawName(what), *channels, parser.isSet(invertOpt), seconds);
    }
    if (what == QLatin1String("click") || what == QLatin1String("beep")) {
        if (parser.isSet(channelsOpt) || parser.isSet(invertOpt) || parser.isSet(secondsOpt)) {
            return usageError(
                QStringLiteral("--channels, --invert and --seconds go with tone and pink"));
        }
        bool ok = false;
        const int count = parser.value(countOpt).toInt(&ok);
        if (!ok || count < 1 || count > 100000) {
            return usageError(QStringLiteral("--count must be a whole number from 1, not '%1'")
                                  .arg(parser.value(countOpt)));
        }
        double interval = 0;
        if (!parseNumber(parser.value(intervalOpt), 0, &interval)) {
            return usageError(QStringLiteral("--interval must be a number of seconds, not '%1'")
                                  .arg(parser.value(intervalOpt)));
        }
        return playMarkers(what == QLatin1String("click"), count, interval);
    }
    return usageError(QStringLiteral("unknown sound '%1' (tone, pink, click or beep)").arg(what));
}

}  // namespace lumenor::cli
