#include "calibration/patch_presenter.h"

#include <utility>

namespace lumenor {

PatchPresenter::PatchPresenter(PatchOutput& output, const PatchOptions& options)
    : output_(output), source_(options) {
    insertion_.setSingleShot(true);
    QObject::connect(&insertion_, &QTimer::timeout, [this] {
        inserting_ = false;
        if (pending_) {
            output_.showPatch(pending_->patch);
        }
    });
    finishTimeout_.setSingleShot(true);
    QObject::connect(&finishTimeout_, &QTimer::timeout, [this] {
        if (finished_) {
            std::exchange(finished_, nullptr)();
        }
    });
    output_.onShown = [this](std::uint64_t shownUs) {
        if (inserting_ || !pending_) {
            return;
        }
        ShownPatch shown = *pending_;
        pending_.reset();
        shown.shownUs = shownUs;
        report(shown);
        if (finished_) {
            finishTimeout_.stop();
            std::exchange(finished_, nullptr)();
        }
    };
}

void PatchPresenter::finish(int timeoutMs, std::function<void()> done) {
    if (!pending_) {
        done();
        return;
    }
    finished_ = std::move(done);
    finishTimeout_.start(timeoutMs);
}

void PatchPresenter::present(const Patch& requested, std::uint64_t receivedUs) {
    const PatchSource::Plan plan = source_.plan(requested, static_cast<double>(receivedUs) / 1e6);
    // The program may answer a patch as soon as it is on screen, before the next poll for it.
    output_.checkShown();
    if (pending_) {
        report(*pending_);
    }
    pending_ = ShownPatch{plan.patch, receivedUs, std::nullopt};
    if (plan.insert) {
        inserting_ = true;
        output_.showPatch(*plan.insert);
        insertion_.start(static_cast<int>(plan.insertSeconds * 1000.0));
    } else if (!inserting_) {
        output_.showPatch(plan.patch);
    }
}

void PatchPresenter::report(const ShownPatch& shown) {
    if (onShown) {
        ShownPatch withDepth = shown;
        withDepth.bits = output_.bitsPerChannel();
        onShown(withDepth);
    }
}

}  // namespace lumenor
