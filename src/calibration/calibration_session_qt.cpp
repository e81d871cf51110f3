#include "calibration/calibration_session.h"

#include <utility>

#include "calibration/calibration_log.h"
#include "calibration/resolve_client.h"
#include "calibration/web_display_client.h"

namespace lumenor {

namespace {

constexpr int kFinishMs = 500;
// A platform that never says a frame is on screen still reaches the program.
constexpr int kOnScreenCapMs = 2000;

}  // namespace

CalibrationSession::CalibrationSession(RefreshLinkFactory& links, CalibrationPeer peer,
                                       const PatchOptions& options)
    : peer_(std::move(peer)), output_(links), presenter_(output_, options) {}

CalibrationSession::~CalibrationSession() {
    // Closing the connection would report an end to an owner that is letting go.
    onEnded = nullptr;
    if (resolve_) {
        resolve_->onEnded = nullptr;
    }
    if (web_) {
        web_->onEnded = nullptr;
    }
    output_.hide();
}

void CalibrationSession::start(QScreen* screen) {
    if (ending_) {
        return;
    }
    screen_ = screen;
    output_.onClose = [this] { end(SessionEnd::clean, QStringLiteral("Escape on the output")); };
    presenter_.onShown = [this](const ShownPatch& shown) {
        if (onShown) {
            onShown(shown);
        }
        if (web_) {
            web_->acknowledge();
        }
    };
    output_.show(screen);
    // The program's first patch would otherwise wait on the window's own start, some tenths of
    // a second on a busy machine.
    output_.whenOnScreen(
        [this] {
            if (ending_) {
                return;
            }
            if (peer_.resolve) {
                startResolve();
            } else {
                startWeb();
            }
        },
        kOnScreenCapMs);
}

void CalibrationSession::moveTo(QScreen* screen) {
    if (screen != nullptr && screen != screen_ && !ending_) {
        screen_ = screen;
        output_.show(screen);
    }
}

void CalibrationSession::end(SessionEnd how, const QString& why, bool hideFirst) {
    if (std::exchange(ending_, true)) {
        return;
    }
    if (hideFirst) {
        output_.hide();
    }
    // The program learns at once that nothing more will be shown; the last patch's report
    // still comes first.
    if (resolve_) {
        resolve_->close();
    }
    if (web_) {
        web_->close();
    }
    // The last patch may still be on its way to the screen: its report comes first.
    presenter_.finish(kFinishMs, [this, how, why] {
        output_.hide();
        if (onEnded) {
            onEnded(how, why);
        }
    });
}

void CalibrationSession::startResolve() {
    resolve_ = std::make_unique<ResolveClient>();
    resolve_->onRequest = [this](const ResolveRequest& r, std::uint64_t receivedUs) {
        if (ending_) {
            return;
        }
        Patch patch{r.colour, r.background, QRectF(0, 0, 1, 1)};
        if (r.geometry) {
            const std::optional<QRectF> place = resolveGeometry(*r.geometry, output_.displaySize());
            if (!place) {
                if (onRefused) {
                    onRefused(QStringLiteral("a patch that does not lie on the display"));
                }
                return;
            }
            patch.window = *place;
        }
        presenter_.present(patch, receivedUs);
    };
    resolve_->onConnected = [this] {
        if (onConnected) {
            onConnected();
        }
    };
    resolve_->onRefused = [this](const QString& why) {
        if (onRefused) {
            onRefused(why);
        }
    };
    resolve_->onEnded = [this](SessionEnd how, const QString& why) { end(how, why); };
    resolve_->connectTo(peer_.host, peer_.port);
}

void CalibrationSession::startWeb() {
    web_ = std::make_unique<WebDisplayClient>(peer_.address);
    web_->onColour = [this](const DeviceRgb& colour, std::uint64_t receivedUs) {
        if (!ending_) {
            presenter_.present(Patch{colour, DeviceRgb{}, QRectF(0, 0, 1, 1)}, receivedUs);
        }
    };
    web_->onRefused = [this](const QString& why) {
        if (onRefused) {
            onRefused(why);
        }
    };
    web_->onEnded = [this](SessionEnd how, const QString& why) { end(how, why); };
    web_->start();
}

}  // namespace lumenor
