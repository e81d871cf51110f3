#include "app/calibration_control.h"

#include <memory>
#include <utility>
#include <variant>

#include "app/display_choice.h"
#include "calibration/calibration_log.h"
#include "calibration/calibration_request.h"
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

CalibrationControl::CalibrationControl(const AppState& state, RefreshLinkFactory& links,
                                       Hooks hooks)
    : state_(state), links_(links), hooks_(std::move(hooks)) {}

CalibrationControl::~CalibrationControl() = default;

void CalibrationControl::refuse(const QString& why) {
    hooks_.send(pagecalls::calibrationStatus(QStringLiteral("invalid"), 0, why));
    if (hooks_.refused) {
        hooks_.refused(why);
    }
}

std::optional<DisplayId> CalibrationControl::display() const {
    if (!session_) {
        return std::nullopt;
    }
    return display_;
}

bool CalibrationControl::patchesHold(DisplayId display) {
    if (!session_ || display != display_) {
        return false;
    }
    // Anything else on that display would be measured as a patch.
    refuse(QStringLiteral(
        "The patches of a calibration session are on that display: stop the session first."));
    return true;
}

void CalibrationControl::start(const verbs::StartCalibration& v) {
    if (session_) {
        refuse(QStringLiteral("A session is running: stop it first."));
        return;
    }
    if (v.program != QLatin1String("resolve") && v.program != QLatin1String("argyll")) {
        refuse(QStringLiteral("Choose the program to take patches from."));
        return;
    }
    const std::optional<CalibrationPeer> peer =
        parseCalibrationPeer(v.program, v.address.trimmed());
    if (!peer) {
        refuse(v.program == QLatin1String("resolve")
                   ? QStringLiteral("Give the address as HOST or HOST:PORT.")
                   : QStringLiteral("Give an http address, such as http://127.0.0.1:8080."));
        return;
    }
    const std::variant<PatchOptions, PatchValueError> checked =
        checkPatchValues({v.window, v.background, v.insertEvery, v.insertFor, v.insertGrey});
    if (const auto* error = std::get_if<PatchValueError>(&checked)) {
        refuse(valueMessage(*error));
        return;
    }
    const std::optional<DisplayInfo> display =
        v.display ? findDisplay(state_.displays, *v.display) : outputDisplay(state_);
    QScreen* screen = display ? hooks_.screenForDisplay(display->id) : nullptr;
    if (screen == nullptr) {
        refuse(QStringLiteral("The chosen display is not connected."));
        return;
    }
    // The patches cover the display: a pattern output there would only fight them.
    outputHadInfo_.reset();
    if (state_.outputVisible) {
        outputHadInfo_ = state_.infoVisible;
        hooks_.hideOutput();
    }
    display_ = display->id;
    patches_ = 0;
    session_ = std::make_unique<CalibrationSession>(links_, *peer, std::get<PatchOptions>(checked));
    CalibrationSession& session = *session_;
    const QString peerText = peer->text();
    session.onConnected = [this, peerText] {
        hooks_.send(pagecalls::calibrationStatus(QStringLiteral("running"), 0, QString()));
        if (hooks_.connected) {
            hooks_.connected(peerText);
        }
    };
    session.onShown = [this](const ShownPatch& shown) {
        hooks_.send(pagecalls::calibrationStatus(QStringLiteral("running"), ++patches_, QString()));
        if (hooks_.shown) {
            hooks_.shown(shown);
        }
    };
    session.onEnded = [this, peerText](SessionEnd how, const QString& why) {
        hooks_.send(pagecalls::calibrationStatus(QStringLiteral("ended"), patches_,
                                                 endMessage(how, peerText, why)));
        // The session is still on the stack that called this: it goes once that returns.
        ended_ = std::move(session_);
        QMetaObject::invokeMethod(
            &releaseEnded_, [this] { ended_.reset(); }, Qt::QueuedConnection);
        // The output comes back as it was, where its display is still there.
        if (outputHadInfo_ && findDisplay(state_.displays, display_)) {
            hooks_.restoreOutput(*std::exchange(outputHadInfo_, std::nullopt));
        }
        if (hooks_.ended) {
            hooks_.ended(how, peerText, why);
        }
    };
    session.onRefused = [peerText](const QString& why) {
        qCWarning(logCalibration).noquote() << "refused a message from" << peerText << "-" << why;
    };
    hooks_.send(pagecalls::calibrationStatus(QStringLiteral("connecting"), 0, peerText));
    session.start(screen);
}

void CalibrationControl::stop() {
    if (session_) {
        session_->end(SessionEnd::clean, QStringLiteral("stopped from the controller"));
    }
}

void CalibrationControl::displaysChanged(const std::vector<DisplayInfo>& displays) {
    if (!session_ || session_->ending()) {
        return;
    }
    if (!findDisplay(displays, display_)) {
        // Patches elsewhere would be measured as this display's: the session cannot go on.
        session_->end(SessionEnd::broken, QStringLiteral("display %1 went away").arg(display_),
                      true);
        return;
    }
    session_->moveTo(hooks_.screenForDisplay(display_));
}

}  // namespace lumenor
