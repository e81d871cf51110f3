#pragma once

#include <map>
#include <memory>

#include "displays/display_platform.h"

namespace lumenor {

// A display platform described by plain data, for tests of the logic above it.
class FakeDisplayPlatform : public DisplayPlatform {
  public:
    struct Display {
        DisplayId id = 0;
        std::optional<ModeInfo> currentMode;
        bool builtin = false;
        PhysicalSize physicalSize;
        bool quarterTurned = false;
        int bits = 8;
    };

    std::vector<Display> displays;
    std::vector<ScreenEntry> screenList;
    bool failListQuery = false;
    bool xwayland = false;
    int activeListQueries = 0;

    std::optional<std::vector<DisplayId>> activeDisplays() override {
        ++activeListQueries;
        if (failListQuery) {
            return std::nullopt;
        }
        std::vector<DisplayId> ids;
        for (const Display& d : displays) {
            ids.push_back(d.id);
        }
        return ids;
    }

    std::optional<ModeInfo> currentMode(DisplayId id) override {
        const Display* d = find(id);
        return d ? d->currentMode : std::nullopt;
    }

    bool isBuiltin(DisplayId id) override {
        const Display* d = find(id);
        return d != nullptr && d->builtin;
    }

    PhysicalSize physicalSizeMM(DisplayId id) override {
        const Display* d = find(id);
        return d ? d->physicalSize : PhysicalSize{};
    }

    int bitsPerChannel(DisplayId id) override {
        const Display* d = find(id);
        return d ? d->bits : 8;
    }

    bool isQuarterTurned(DisplayId id) override {
        const Display* d = find(id);
        return d != nullptr && d->quarterTurned;
    }

    std::vector<ScreenEntry> screens() override { return screenList; }
    bool seenThroughXwayland() override { return xwayland; }

    std::unique_ptr<ChangeSubscription> observeChanges(std::function<void()> onChange) override {
        return std::make_unique<Subscription>(observers, observers->add(std::move(onChange)));
    }

    // Who is registered for change notifications. Shared, so that a test can still look
    // after the platform itself is gone.
    class Observers {
      public:
        int add(std::function<void()> callback) {
            callbacks_[nextKey_] = std::move(callback);
            return nextKey_++;
        }
        void remove(int key) { callbacks_.erase(key); }
        std::size_t count() const { return callbacks_.size(); }
        // Delivers one change notification to every registered observer.
        void notify() {
            const auto current = callbacks_;
            for (const auto& [key, callback] : current) {
                if (callbacks_.count(key) != 0) {
                    callback();
                }
            }
        }

      private:
        std::map<int, std::function<void()>> callbacks_;
        int nextKey_ = 0;
    };
    std::shared_ptr<Observers> observers = std::make_shared<Observers>();

    void notifyChange() { observers->notify(); }

  private:
    class Subscription : public ChangeSubscription {
      public:
        Subscription(std::shared_ptr<Observers> observers, int key)
            : observers_(std::move(observers)), key_(key) {}
        ~Subscription() override { observers_->remove(key_); }

      private:
        std::shared_ptr<Observers> observers_;
        int key_;
    };

    const Display* find(DisplayId id) const {
        for (const Display& d : displays) {
            if (d.id == id) {
                return &d;
            }
        }
        return nullptr;
    }
};

}  // namespace lumenor
