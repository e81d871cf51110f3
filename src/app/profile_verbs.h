#pragma once

#include <QString>

#include <functional>

#include "app/app_state.h"
#include "app/page_sink.h"
#include "profiles/preset_store.h"

namespace lumenor {

// Saves the set-up as a named profile and brings one back. Main thread only.
class ProfileVerbs {
  public:
    struct Hooks {
        PageSink send;
        // Sends the selected display's mode list.
        std::function<void()> pushModes;
        // Puts the state's output settings on the output.
        std::function<void()> applyState;
        std::function<void(double ms)> setSyncOffset;
        // Tries the profile's mode on the display it was saved for.
        std::function<void(const DisplayInfo& display, const Profile& profile)> tryMode;
    };

    ProfileVerbs(AppState& state, PresetStore& presets, Hooks hooks);

    void save(const QString& name);
    void load(const QString& name);
    void remove(const QString& name);

  private:
    AppState& state_;
    PresetStore& presets_;
    Hooks hooks_;
};

}  // namespace lumenor
