#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace lumenor {

// Claims this desktop session's Lumenor. None when another Lumenor holds it: that one has then
// been asked to raise its controller window, and `raised` (when given) says whether it did.
// The request carries the Wayland activation token this start was launched with, if any.
class SingleInstance {
  public:
    static std::unique_ptr<SingleInstance> claim(bool* raised = nullptr);
    // Told each request of another start, with its activation token (empty when none).
    std::function<void(const QString& activationToken)> onActivate;
    virtual ~SingleInstance() = default;
};

}  // namespace lumenor
