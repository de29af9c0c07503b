// Gesture and tween-step markers.
#include "model/gesture_marker.h"

#include <cstring>

tween_gesture_marker::tween_gesture_marker(const FGesture& g, uint32_t extra_word)
    : marker_base(g.start, g.end, nullptr, 0.0f),
      pose_name(g.pose_name),
      gesture_name(g.gesture_name),
      gesture_index(static_cast<uint32_t>(g.clip_index)),
      extra(extra_word) {}

tween_gesture_marker::tween_gesture_marker(const std::string& pose, const std::string& gesture, uint32_t index,
                                           uint32_t extra_word, int s, int e)
    : marker_base(s, e, nullptr, 100.0f), pose_name(pose), gesture_name(gesture), gesture_index(index), extra(extra_word) {}

FGesture::FGesture(uint32_t t, int s, int e, float v) : marker_base(s, e, nullptr, v), type(t) {
    std::memcpy(&extra, &v, sizeof extra);
    update_label();
}

void FGesture::update_label() {
    if (!pose_name.empty() && !gesture_name.empty()) {
        label = pose_name + ":" + gesture_name;
    } else if (!pose_name.empty()) {
        label = pose_name;
    } else if (!gesture_name.empty()) {
        label = gesture_name;
    } else {
        switch (type) {
            case kLight: label = "light"; break;
            case kEmphasis: label = "emph"; break;
            case kPause: label = "pause"; break;
            case kPose: label = "pose"; break;
            case kTween: label = "tween"; break;
            default: break;  // other types keep the label they have
        }
    }
}
