#pragma once

#include <map>
#include <optional>
#include <vector>

#include "displays/mode_platform.h"

namespace lumenor {

// A mode platform described by plain data, for tests of the logic above it. A completed
// configuration makes the configured mode the display's current one.
class FakeModePlatform : public ModePlatform {
  public:
    struct Display {
        std::optional<std::vector<ModeInfo>> modes;  // none: the query fails
        std::optional<std::int32_t> currentId;       // none: the current mode is unreadable
        bool quarterTurned = false;
    };
    struct Applied {
        DisplayId display;
        std::int32_t modeId;
        ConfigureScope scope;
    };

    std::map<DisplayId, Display> displays;
    bool failBegin = false;
    bool failComplete = false;
    std::optional<QString> refusal;
    int begins = 0;
    int configures = 0;
    std::vector<Applied> applied;  // every completed configuration, in order

    std::optional<std::vector<ModeInfo>> allModes(DisplayId id) override {
        const auto d = displays.find(id);
        return d == displays.end() ? std::nullopt : d->second.modes;
    }

    bool isQuarterTurned(DisplayId id) override {
        const auto d = displays.find(id);
        return d != displays.end() && d->second.quarterTurned;
    }

    std::optional<QString> modeChangeRefusal() override { return refusal; }

    std::optional<ModeInfo> currentMode(DisplayId id) override {
        const auto d = displays.find(id);
        if (d == displays.end() || !d->second.currentId || !d->second.modes) {
            return std::nullopt;
        }
        for (const ModeInfo& m : *d->second.modes) {
            if (m.id == *d->second.currentId) {
                return m;
            }
        }
        return std::nullopt;
    }

    bool beginConfiguration() override {
        ++begins;
        configured_.reset();
        return !failBegin;
    }

    void configureDisplay(DisplayId id, const ModeInfo& mode) override {
        ++configures;
        configured_ = std::make_pair(id, mode.id);
    }

    bool completeConfiguration(ConfigureScope scope) override {
        if (failComplete || !configured_) {
            return false;
        }
        const auto d = displays.find(configured_->first);
        if (d == displays.end()) {
            return false;
        }
        d->second.currentId = configured_->second;
        applied.push_back({configured_->first, configured_->second, scope});
        return true;
    }

  private:
    std::optional<std::pair<DisplayId, std::int32_t>> configured_;
};

}  // namespace lumenor
