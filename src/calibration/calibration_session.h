#pragma once

#include <QString>

#include <functional>
#include <memory>

#include "calibration/calibration_request.h"
#include "calibration/patch_presenter.h"
#include "calibration/session_end.h"

class QScreen;

namespace lumenor {

class RefreshLinkFactory;
class ResolveClient;
class WebDisplayClient;

// One session with a calibration program: takes its patches, shows them full screen with
// the operator's options and tells the program when each is on screen. Main thread only.
class CalibrationSession {
  public:
    CalibrationSession(RefreshLinkFactory& links, CalibrationPeer peer,
                       const PatchOptions& options);
    ~CalibrationSession();
    CalibrationSession(const CalibrationSession&) = delete;
    CalibrationSession& operator=(const CalibrationSession&) = delete;

    // Covers `screen` with the patches and reaches out to the program; nothing once ending.
    void start(QScreen* screen);
    // The display moved to another screen.
    void moveTo(QScreen* screen);
    // Ends the session; `hideFirst` takes the patches off at once (their display is gone).
    void end(SessionEnd how, const QString& why, bool hideFirst = false);
    bool ending() const { return ending_; }
    const CalibrationPeer& peer() const { return peer_; }

    std::function<void()> onConnected;
    std::function<void(const ShownPatch&)> onShown;
    std::function<void(const QString& why)> onRefused;
    // Once, after the last patch asked for was reported; the patches are off the screen.
    std::function<void(SessionEnd how, const QString& why)> onEnded;

  private:
    void startResolve();
    void startWeb();

    CalibrationPeer peer_;
    PatchOutput output_;
    PatchPresenter presenter_;
    std::unique_ptr<ResolveClient> resolve_;
    std::unique_ptr<WebDisplayClient> web_;
    QScreen* screen_ = nullptr;
    bool ending_ = false;
};

}  // namespace lumenor
