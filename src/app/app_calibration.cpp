#include <algorithm>
#include <memory>
#include <variant>

#include "app/app_delegate.h"
#include "calibration/calibration_log.h"
#include "calibration/calibration_session.h"
#include "controller/page_calls.h"

namespace lumenor {

namespace {

QString label(const QString& option) {
    if (option == QLatin1String("window")) {
        return QStringLiteral("Window");
    }
    if (option == QLatin1String("background")) {
        return QStringLiteral("Background");
    }
    if (option == QLatin1String("insert-every")) {
        return QStringLiteral("Insert every");
    }
    if (option == QLatin1String("insert-for")) {
        return QStringLiteral("Insert for");
    }
    return QStringLiteral("Insert grey");
}

QString valueMessage(const PatchValueError& error) {
    if (error.halfPair) {
        return QStringLiteral("Insert every and insert for go together: give both or neither.");
    }
    return (error.lowExcluded ? QStringLiteral("%1 takes a number above %2, up to %3.")
                              : QStringLiteral("%1 takes a number from %2 to %3."))
        .arg(label(error.option))
        .arg(error.low)
        .arg(error.high);
}

QString endMessage(SessionEnd how, const QString& peer, const QString& why) {
    switch (how) {
        case SessionEnd::unreachable:
            return QStringLiteral("Cannot reach %1: %2").arg(peer, why);
        case SessionEnd::broken:
            return QStringLiteral("Session with %1 broken: %2").arg(peer, why);
        case SessionEnd::clean:
            break;
    }
    return QStringLiteral("Session with %1 ended: %2").arg(peer, why);
}

}  // namespace

void AppDelegate::refuseCalibration(const QString& why) {
    send(pagecalls::calibrationStatus(QStringLiteral("invalid"), 0, why));
}

bool AppDelegate::patchesHold(DisplayId display) {
    if (!calibration_ || display != calibrationDisplay_) {
        return false;
    }
    // Anything else on that display would be measured as a patch.
    refuseCalibration(QStringLiteral(
        "The patches of a calibration session are on that display: stop the session first."));
    return true;
}

void AppDelegate::startCalibration(const verbs::StartCalibration& v) {
    if (calibration_) {
        refuseCalibration(QStringLiteral("A session is running: stop it first."));
        return;
    }
    if (v.program != QLatin1String("resolve") && v.program != QLatin1String("argyll")) {
        refuseCalibration(QStringLiteral("Choose the program to take patches from."));
        return;
    }
    const std::optional<CalibrationPeer> peer =
        parseCalibrationPeer(v.program, v.address.trimmed());
    if (!peer) {
        refuseCalibration(v.program == QLatin1String("resolve")
                              ? QStringLiteral("Give the address as HOST or HOST:PORT.")
                              : QStringLiteral("Give an http address, such as "
                                               "http://127.0.0.1:8080."));
        return;
    }
    const std::variant<PatchOptions, PatchValueError> checked =
        checkPatchValues({v.window, v.background, v.insertEvery, v.insertFor, v.insertGrey});
    if (const auto* error = std::get_if<PatchValueError>(&checked)) {
        refuseCalibration(valueMessage(*error));
        return;
    }
    std::optional<DisplayInfo> display;
    if (v.display) {
        const auto& list = state.displays;
        const auto it = std::find_if(list.begin(), list.end(),
                                     [&](const DisplayInfo& d) { return d.id == *v.display; });
        if (it != list.end()) {
            display = *it;
        }
    } else {
        display = resolveOutputDisplay();
    }
    QScreen* screen = display ? displayService.screenForDisplay(display->id) : nullptr;
    if (screen == nullptr) {
        refuseCalibration(QStringLiteral("The chosen display is not connected."));
        return;
    }
    // The patches cover the display: a pattern output there would only fight them.
    if (state.outputVisible) {
        hideOutput();
    }
    calibrationDisplay_ = display->id;
    calibrationPatches_ = 0;
    calibration_ = std::make_unique<CalibrationSession>(*platforms_.refreshLinks, *peer,
                                                        std::get<PatchOptions>(checked));
    CalibrationSession& session = *calibration_;
    session.onConnected = [this] {
        send(pagecalls::calibrationStatus(QStringLiteral("running"), 0, QString()));
    };
    session.onShown = [this](const ShownPatch&) {
        send(pagecalls::calibrationStatus(QStringLiteral("running"), ++calibrationPatches_,
                                          QString()));
    };
    session.onEnded = [this](SessionEnd how, const QString& why) {
        send(pagecalls::calibrationStatus(QStringLiteral("ended"), calibrationPatches_,
                                          endMessage(how, calibration_->peer().text(), why)));
        // The session is still on the stack that called this: it goes once that returns.
        endedCalibration_ = std::move(calibration_);
        QMetaObject::invokeMethod(
            &releaseEnded_, [this] { endedCalibration_.reset(); }, Qt::QueuedConnection);
    };
    session.onRefused = [](const QString& why) {
        qCWarning(logCalibration).noquote() << "refused a message -" << why;
    };
    send(pagecalls::calibrationStatus(QStringLiteral("connecting"), 0, peer->text()));
    session.start(screen);
}

void AppDelegate::stopCalibration() {
    if (calibration_) {
        calibration_->end(SessionEnd::clean, QStringLiteral("stopped from the controller"));
    }
}

void AppDelegate::calibrationDisplaysChanged(const std::vector<DisplayInfo>& displays) {
    if (!calibration_ || calibration_->ending()) {
        return;
    }
    const bool listed = std::any_of(displays.begin(), displays.end(), [&](const DisplayInfo& d) {
        return d.id == calibrationDisplay_;
    });
    if (!listed) {
        // Patches elsewhere would be measured as this display's: the session cannot go on.
        calibration_->end(SessionEnd::broken,
                          QStringLiteral("display %1 went away").arg(calibrationDisplay_), true);
        return;
    }
    calibration_->moveTo(displayService.screenForDisplay(calibrationDisplay_));
}

}  // namespace lumenor
