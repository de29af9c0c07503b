// The frame-label language of character templates: "G(pose, [gesture, minT, maxT])" declares a
// clip, "H(srcPose, dstPose)" and "H(srcPose, srcGesture, dstPose, dstGesture)" a hookup clip.
// Read from a template's main timeline; the template builds its clips from the declarations.
#pragma once

#include <string>
#include <vector>

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

// The leading integer of a label argument or tag attribute: leading blanks and a sign allowed,
// reading stops at the first non-digit, 0 without digits. Values beyond the int range are held at
// its ends.
int LabelToInt(const std::string& text);
