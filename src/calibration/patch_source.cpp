#include "calibration/patch_source.h"

namespace lumenor {

PatchSource::Plan PatchSource::plan(Patch requested, double now) {
    Plan plan;
    if (options_.windowPercent) {
        requested.window = centredWindow(*options_.windowPercent);
    }
    if (options_.backgroundLevel) {
        const int level = *options_.backgroundLevel;
        requested.background = {level, level, level};
    }
    plan.patch = requested;
    if (options_.insertEvery <= 0.0 || options_.insertFor <= 0.0) {
        return plan;
    }
    // The first patch starts the clock: the panel has just been showing something else.
    if (!lastInsertEnd_) {
        lastInsertEnd_ = now;
        return plan;
    }
    if (now - *lastInsertEnd_ >= options_.insertEvery) {
        const int grey = options_.insertGrey;
        plan.insert = Patch{{grey, grey, grey}, {grey, grey, grey}, QRectF(0.0, 0.0, 1.0, 1.0)};
        plan.insertSeconds = options_.insertFor;
        lastInsertEnd_ = now + options_.insertFor;
    }
    return plan;
}

}  // namespace lumenor
