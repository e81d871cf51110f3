#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/app_state.h"
#include "app/page_sink.h"
#include "calibration/patch_presenter.h"
#include "calibration/session_end.h"
#include "controller/verb.h"

class QScreen;

namespace lumenor {

class CalibrationSession;
class RefreshLinkFactory;

// One calibration session at a time, started and stopped by verbs: checks what it is given,
// takes the output off the session's display and reports the session's progress. Main
// thread only.
class CalibrationControl {
  public:
    struct Hooks {
        PageSink send;
        std::function<QScreen*(DisplayId)> screenForDisplay;
        std::function<void()> hideOutput;
        // Shows the output again once the session is over, with the info card when asked.
        std::function<void(bool withInfo)> restoreOutput;
        // For a caller that follows the session beyond the page (the command line); each may
        // be unset.
        std::function<void(const QString& peer)> connected;
        std::function<void(const ShownPatch&)> shown;
        std::function<void(const QString& why)> refused;
        std::function<void(SessionEnd how, const QString& peer, const QString& why)> ended;
    };

    CalibrationControl(const AppState& state, RefreshLinkFactory& links, Hooks hooks);
    ~CalibrationControl();
    CalibrationControl(const CalibrationControl&) = delete;
    CalibrationControl& operator=(const CalibrationControl&) = delete;

    void start(const verbs::StartCalibration& v);
    void stop();
    // True, after saying so on the page, while a session's patches are on `display`.
    bool patchesHold(DisplayId display);
    // The display a session runs on, or none.
    std::optional<DisplayId> display() const;
    void displaysChanged(const std::vector<DisplayInfo>& displays);

  private:
    void refuse(const QString& why);

    const AppState& state_;
    RefreshLinkFactory& links_;
    Hooks hooks_;
    std::unique_ptr<CalibrationSession> session_;
    std::unique_ptr<CalibrationSession> ended_;
    QObject releaseEnded_;  // lets an ended session go once its caller has returned
    DisplayId display_ = 0;
    std::int64_t patches_ = 0;
    // How the output was when the session took it off: none when it was hidden.
    std::optional<bool> outputHadInfo_;
};

}  // namespace lumenor
