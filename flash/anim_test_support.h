// Checks on gesture tracks shared by the animation and generation tests.
#pragma once

#include <gtest/gtest.h>

#include "model/marker_lists.h"

// Start order, no gesture turned inside out or overlapping the next, every tween between two
// gestures it touches and filled by its steps.
inline ::testing::AssertionResult WellFormedTrack(const gesture_marker_list& l) {
    for (size_t i = 0; i < l.size(); ++i) {
        const FGesture& g = l[i];
        if (g.end < g.start) return ::testing::AssertionFailure() << "inside out at " << i;
        if (i + 1 < l.size() && g.end > l[i + 1].start)
            return ::testing::AssertionFailure() << "overlap at " << i << ": " << g.end << " > " << l[i + 1].start;
        if (g.type & FGesture::kTween) {
            if (i == 0 || i + 1 == l.size()) return ::testing::AssertionFailure() << "tween at the edge " << i;
            if (l[i - 1].end != g.start || l[i + 1].start != g.end)
                return ::testing::AssertionFailure() << "tween " << i << " does not touch its neighbours";
            if (g.tweens.empty()) return ::testing::AssertionFailure() << "tween without steps at " << i;
            if (g.tweens.front().start != g.start || g.tweens.back().end != g.end)
                return ::testing::AssertionFailure() << "tween steps do not fill tween " << i;
        }
    }
    return ::testing::AssertionSuccess();
}
