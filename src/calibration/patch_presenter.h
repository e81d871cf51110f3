#pragma once

#include <QTimer>

#include <cstdint>
#include <functional>
#include <optional>

#include "calibration/patch_output.h"
#include "calibration/patch_source.h"

namespace lumenor {

struct ShownPatch {
    Patch patch;
    std::uint64_t receivedUs = 0;
    std::optional<std::uint64_t> shownUs;  // none: replaced before it reached the screen
    int bits = 8;                          // bits a channel the output draws patches at
};

// Puts the patches a program asks for on the output, with the operator's window and
// insertion options, and reports each once it is on screen.
class PatchPresenter {
  public:
    PatchPresenter(PatchOutput& output, const PatchOptions& options);
    void present(const Patch& requested, std::uint64_t receivedUs);
    // Calls `done` once every patch asked for has been reported, or after `timeoutMs`.
    void finish(int timeoutMs, std::function<void()> done);

    std::function<void(const ShownPatch&)> onShown;

  private:
    void report(const ShownPatch& shown);

    PatchOutput& output_;
    PatchSource source_;
    QTimer insertion_;
    bool inserting_ = false;
    std::optional<ShownPatch> pending_;
    std::function<void()> finished_;
    QTimer finishTimeout_;
};

}  // namespace lumenor
