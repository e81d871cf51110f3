#include "controller/page_calls.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <array>
#include <charconv>
#include <cmath>

namespace lumenor::pagecalls {
namespace {

QString json(const QJsonArray& array) {
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

QString json(const QJsonObject& object) {
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString boolean(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

// Any text, as a string argument: a one-element JSON array, indexed.
QString text(const QString& value) {
    return json(QJsonArray{value}) + QStringLiteral("[0]");
}

QString call(const char* function, const QString& arguments) {
    return QStringLiteral("window.%1(%2)").arg(QLatin1String(function), arguments);
}

}  // namespace

QString number(double value) {
    if (std::isnan(value)) {
        return QStringLiteral("NaN");
    }
    if (std::isinf(value)) {
        return value > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    }
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    QString text = QString::fromLatin1(buffer.data(), result.ptr - buffer.data());
    if (!text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e'))) {
        text += QStringLiteral(".0");
    }
    return text;
}

QString displaysChanged(const std::vector<DisplayInfo>& displays) {
    QJsonArray array;
    for (const DisplayInfo& d : displays) {
        array.append(d.toJson());
    }
    return call("displaysChanged", json(array));
}

QString displaySelections(DisplayId selected, DisplayId output) {
    return call("displaySelections",
                QString::number(selected) + QStringLiteral(", ") + QString::number(output));
}

QString modesChanged(const std::vector<ModeInfo>& modes, bool changesAllowed) {
    QJsonArray array;
    for (const ModeInfo& m : modes) {
        array.append(m.toJson());
    }
    return call("modesChanged", json(array) + QStringLiteral(", ") + boolean(changesAllowed));
}

QString modesRefused(const std::vector<ModeInfo>& modes, const QString& refusal) {
    QString script = modesChanged(modes, false);
    script.chop(1);
    return script + QStringLiteral(", ") + text(refusal) + QLatin1Char(')');
}

QString patternChanged(const QString& rawName) {
    return call("patternChanged", json(QJsonArray{rawName}) + QStringLiteral("[0]"));
}

QString profilesChanged(const QStringList& names) {
    return call("profilesChanged", json(QJsonArray::fromStringList(names)));
}

QString mirrorChanged(bool on) {
    return call("mirrorChanged", boolean(on));
}

QString syncOffsetChanged(double ms) {
    return call("syncOffsetChanged", number(ms));
}

QString videoRangeChanged(const QString& range) {
    return call("videoRangeChanged", text(range));
}

QString slateTextChanged(const QString& slateText) {
    return call("slateTextChanged", text(slateText));
}

QString syncSelections(DisplayId selected, DisplayId output, const QStringList& aspectRatios,
                       double bouncePeriod) {
    return call("syncSelections",
                QStringLiteral("%1, %2, %3, %4")
                    .arg(QString::number(selected), QString::number(output),
                         json(QJsonArray::fromStringList(aspectRatios)), number(bouncePeriod)));
}

QString modeApplied(bool applied, std::int64_t seconds) {
    return call("modeApplied", boolean(applied) + QStringLiteral(", ") + QString::number(seconds));
}

QString outputVisibilityChanged(bool shown) {
    return call("outputVisibilityChanged", boolean(shown));
}

QString infoVisibilityChanged(bool shown) {
    return call("infoVisibilityChanged", boolean(shown));
}

QString revertCountdown(std::int64_t seconds) {
    return call("revertCountdown", QString::number(seconds));
}

QString revertResolved(bool kept, bool displayGone) {
    return call("revertResolved",
                displayGone ? boolean(kept) + QStringLiteral(", true") : boolean(kept));
}

QString frameStatus(double hz, std::int64_t dropped, bool steady) {
    return call(
        "frameStatus",
        QStringLiteral("%1, %2, %3").arg(number(hz), QString::number(dropped), boolean(steady)));
}

QString frameTimingUnavailable(const QString& why) {
    return call("frameStatus", QStringLiteral("null, null, null, ") + text(why));
}

QString remoteStatus(const QJsonObject& status) {
    return call("remoteStatus", json(status));
}

QString profileNote(const QString& note) {
    return call("profileNote", text(note));
}

QString calibrationStatus(const QString& state, std::int64_t patches, const QString& message) {
    return call("calibrationStatus",
                json(QJsonObject{{QStringLiteral("state"), state},
                                 {QStringLiteral("patches"), static_cast<qint64>(patches)},
                                 {QStringLiteral("message"), message}}));
}

}  // namespace lumenor::pagecalls
