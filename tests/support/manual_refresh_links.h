#pragma once

#include <memory>
#include <optional>

#include "displays/refresh_link.h"

namespace lumenor::test {

// Links that the test drives by hand, on its own thread.
class ManualLinks : public RefreshLinkFactory {
  public:
    struct Link : RefreshLink {
        explicit Link(ManualLinks& o) : owner(o) {}
        ~Link() override { owner.live = nullptr; }
        bool followsDisplayClock() const override { return owner.followsDisplayClock; }
        ManualLinks& owner;
    };

    std::unique_ptr<RefreshLink> create(std::optional<DisplayId> display,
                                        RefreshCallback cb) override {
        ++created;
        lastDisplay = display;
        if (refuse) {
            return nullptr;
        }
        callback = std::move(cb);
        auto link = std::make_unique<Link>(*this);
        live = link.get();
        return link;
    }

    void refreshes(int n, std::int64_t periodsApart = 1) {
        for (int i = 0; i < n; ++i) {
            time += periodsApart * 1000;
            callback({time, 60'000, 1000, 0});
        }
    }

    RefreshCallback callback;
    Link* live = nullptr;
    std::int64_t time = 1'000'000;
    int created = 0;
    bool refuse = false;
    bool followsDisplayClock = true;
    std::optional<DisplayId> lastDisplay;
};

}  // namespace lumenor::test
