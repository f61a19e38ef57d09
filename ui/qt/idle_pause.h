// How long the window's polling loop sleeps after a pass that found nothing pending.
//
// Every wake-up of an idle window costs processor time whether or not anything happened, so a
// window left alone sleeps longer between looks; while there is activity it looks every
// millisecond so that typing and clicks are handled at once. The cap bounds how late the first
// input after a quiet spell is noticed: one tick of a 64 Hz system timer, which is how long a
// 1 ms sleep really lasts on Windows by default, so the loop wakes no more often when idle than
// the same loop does there.
#pragma once

#include <algorithm>
#include <chrono>

namespace quillon::ui {

class idle_pause {
  public:
    using duration = std::chrono::microseconds;

    static constexpr duration shortest{1'000};
    static constexpr duration longest{15'625};
    // Idle passes sleep the shortest pause until this much quiet has gone by: a burst of input
    // often has short gaps, and each of them should not cost a long pause.
    static constexpr duration quiet_before_growing{50'000};

    // A pass found something pending: the next idle pause is the shortest again.
    void activity() {
        pause_ = shortest;
        quiet_ = duration::zero();
    }

    // A pass found nothing pending: the pause to sleep now. The quiet time is counted in
    // pauses slept, not read from a clock, so the policy stays a pure function of the passes.
    duration next() {
        if (quiet_ >= quiet_before_growing) pause_ = std::min(pause_ * 2, longest);
        quiet_ += pause_;
        return pause_;
    }

  private:
    duration pause_ = shortest;
    duration quiet_ = duration::zero();
};

}  // namespace quillon::ui
