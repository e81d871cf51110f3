#pragma once

#include <functional>
#include <memory>

namespace lumenor {

// Claims this desktop session's Lumenor. None when another Lumenor holds it: that one has then
// been asked to raise its controller window, and `raised` (when given) says whether it did.
class SingleInstance {
  public:
    static std::unique_ptr<SingleInstance> claim(bool* raised = nullptr);
    std::function<void()> onActivate;
    virtual ~SingleInstance() = default;
};

}  // namespace lumenor
