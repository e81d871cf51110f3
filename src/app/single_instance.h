#pragma once

#include <functional>
#include <memory>

namespace lumenor {

// Claims this desktop session's Lumenor. False when another Lumenor holds it: that one has then
// been asked to raise its controller window.
class SingleInstance {
  public:
    static std::unique_ptr<SingleInstance> claim();
    std::function<void()> onActivate;
    virtual ~SingleInstance() = default;
};

}  // namespace lumenor
