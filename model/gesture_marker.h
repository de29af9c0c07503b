// Gesture markers of a Flash character's animation and the tween steps inside a tween gesture.
// Made by the gesture generation and the results-file reader; edited by the gesture channel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/marker_base.h"

class FGesture;

// One step of a tween gesture: a clip of the character template shown for a stretch of time.
class tween_gesture_marker : public marker_base {
public:
    tween_gesture_marker() = default;
    // Names and clip index from the gesture, times from the gesture; value 0.
    tween_gesture_marker(const FGesture& g, uint32_t extra_word);
    // Value 100.
    tween_gesture_marker(const std::string& pose, const std::string& gesture, uint32_t index, uint32_t extra_word,
                         int start, int end);

    std::string pose_name;
    std::string gesture_name;
    uint32_t gesture_index = 0;
    uint32_t extra = 0;  // the clip frame of the step
};

class FGesture : public marker_base {
public:
    // Type bits; 32, 128 and 256 belong to the gesture animation and the gesture channel.
    static constexpr uint32_t kLight = 1;
    static constexpr uint32_t kEmphasis = 2;
    static constexpr uint32_t kPause = 4;
    static constexpr uint32_t kPose = 8;
    static constexpr uint32_t kTween = 16;

    FGesture() = default;
    // Stores the value both as the marker value and in the extra word, then sets the label.
    FGesture(uint32_t type, int start, int end, float value);

    // Label from the names ("pose:gesture", one of them, or a word for the type).
    void update_label();

    uint32_t type = 0;
    std::string pose_name;
    std::string gesture_name;
    uint32_t extra = 0;
    std::vector<tween_gesture_marker> tweens;
    int32_t clip_index = -1;
    int32_t tween_in_clip = -1;
    int32_t tween_out_clip = -1;
};
