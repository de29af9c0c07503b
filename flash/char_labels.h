// The frame-label language of character templates: "G(pose, [gesture, minT, maxT])" declares a
// clip, "H(srcPose, dstPose)" and "H(srcPose, srcGesture, dstPose, dstGesture)" a hookup clip.
// Read from a template's main timeline; the template builds its clips from the declarations.
#pragma once

#include <string>
#include <vector>

class FTimeline;

// A clip declared by a G label: frames [frame, frame + length) of the main timeline.
struct char_gesture_decl {
    int frame = 0;
    int length = 0;
    std::string pose;
    std::string gesture;
    int min_time = -1;  // -1 when not given
    int max_time = -1;
};

// A hookup clip declared by an H label; the gesture names are empty in the two-name form.
struct char_hookup_decl {
    int frame = 0;
    int length = 0;
    std::string src_pose;
    std::string src_gesture;
    std::string dst_pose;
    std::string dst_gesture;
};

// The arguments of a label, given the text from its "(" on: each argument ends at the next ","
// or, when there is none, at the next ")"; scanning stops when neither follows. Arguments are
// trimmed and lose one pair of quotes. "(idle)" has one argument, "()" one empty one, "(idle"
// none; text after the ")" is scanned as well.
std::vector<std::string> SplitLabelArgs(const std::string& text);

// The label's name (text before the first "(", trimmed, upper case) and its arguments. A label
// without "(" is read as G with the whole label as pose and gesture; then the result is false.
bool ParseCharLabel(const std::string& label, std::string& name, std::vector<std::string>& args);

// Reads the labelled frames of the timeline in frame order. Each label's clip reaches to the next
// labelled frame (the last one to the timeline's frame count). Problems are appended to errors
// and reading goes on; labels with other names are ignored.
void CollectCharLabels(const FTimeline& timeline, std::vector<char_gesture_decl>& gestures,
                       std::vector<char_hookup_decl>& hookups, std::vector<std::string>& errors);
