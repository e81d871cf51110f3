#pragma once

#include <optional>

#include "calibration/patch.h"

namespace lumenor {

// What the operator changes about the patches a program asks for.
struct PatchOptions {
    std::optional<double> windowPercent;  // a centred window of this share of the area
    std::optional<int> backgroundLevel;   // a grey 0 to 255 behind the patch
    // Every `insertEvery` seconds (0: never) a full-field grey of `insertGrey` is shown for
    // `insertFor` seconds before the next patch, to keep a panel's average level steady.
    double insertEvery = 0.0;
    double insertFor = 0.0;
    int insertGrey = 0;
};

// Turns the patches a program asks for into what goes on screen.
class PatchSource {
  public:
    explicit PatchSource(const PatchOptions& options) : options_(options) {}

    struct Plan {
        std::optional<Patch> insert;  // shown first, for `insertSeconds`
        double insertSeconds = 0.0;
        Patch patch;
    };
    // The plan for a patch asked for at `now` seconds (any steady clock).
    Plan plan(Patch requested, double now);

  private:
    PatchOptions options_;
    std::optional<double> lastInsertEnd_;
};

}  // namespace lumenor
