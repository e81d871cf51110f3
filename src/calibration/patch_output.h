#pragma once

#include <QImage>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "calibration/patch.h"
#include "displays/refresh_link.h"

class QScreen;

namespace lumenor {

class OutputWindow;
class PatternView;

// The output window showing colour patches instead of a pattern: exact device values at the
// display's depth (10 bits a channel at depth 30, 8 otherwise), no banner, card or cursor.
// Reports when each patch has reached the screen.
class PatchOutput {
  public:
    explicit PatchOutput(RefreshLinkFactory& links);
    ~PatchOutput();
    PatchOutput(const PatchOutput&) = delete;
    PatchOutput& operator=(const PatchOutput&) = delete;

    // Covers the screen with the current patch (black until the first).
    void show(QScreen* screen);
    void hide();
    void showPatch(const Patch& patch);
    const Patch& patch() const { return patch_; }
    // Bits a channel the patches are drawn at: the depth of the frame drawn last.
    int bitsPerChannel() const { return bits_; }
    // Size of the display in device pixels.
    QSize displaySize() const;

    // The patch shown last has reached the screen, at `shownUs` (microseconds of the
    // monotonic clock: the display's completion time where it gives one).
    std::function<void(std::uint64_t shownUs)> onShown;
    // The operator pressed Escape on the output.
    std::function<void()> onClose;

    // Looks at once whether the patch has reached the screen (onShown when it has), rather
    // than at the next poll.
    void checkShown();
    // Calls `then` once the output's first frame is on screen, or after `capMs` where that is
    // never said.
    void whenOnScreen(std::function<void()> then, int capMs);

  private:
    void draw(QImage& frame);

    std::unique_ptr<PatternView> view_;
    std::unique_ptr<OutputWindow> window_;
    Patch patch_;
    QTimer watch_;       // polls for the patch's frame while it is on its way
    QTimer firstFrame_;  // polls for the first frame while something waits on it
    std::function<void()> onScreen_;
    std::uint64_t onScreenCapUs_ = 0;
    // The number of the first frame drawn with the current patch, once one is.
    std::optional<std::uint64_t> drawnAs_;
    std::uint64_t paintedBefore_ = 0;
    int bits_ = 8;
    bool saidRounded_ = false;
};

}  // namespace lumenor
