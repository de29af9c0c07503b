// Frame-label grammar of character templates.
#include "flash/char_labels.h"

#include <cstdlib>

#include "engine/util/string_utils.h"
#include "swf/flash_timeline.h"

std::vector<std::string> SplitLabelArgs(const std::string& text) {
    std::vector<std::string> args;
    size_t pos = 1;
    while (pos <= text.size()) {
        size_t at = text.find(',', pos);
        if (at == std::string::npos) at = text.find(')', pos);
        if (at == std::string::npos) break;
        args.push_back(TrimAndUnquote(text.substr(pos, at - pos)));
        pos = at + 1;
    }
    return args;
}

bool ParseCharLabel(const std::string& label, std::string& name, std::vector<std::string>& args) {
    size_t open = label.find('(');
    if (open == std::string::npos) {
        name.assign(1, 'G');
        args = {label, label};
        return false;
    }
    name = TrimRight(TrimLeft(label.substr(0, open)));
    ToUpperInPlace(name);
    args = SplitLabelArgs(label.substr(open));
    return true;
}

void CollectCharLabels(const FTimeline& timeline, std::vector<char_gesture_decl>& gestures,
                       std::vector<char_hookup_decl>& hookups, std::vector<std::string>& errors) {
    struct labelled {
        int frame;
        const std::string* text;
    };
    std::vector<labelled> labels;
    for (const auto& [frame, record] : timeline.frames)
        if (!record.label.label.empty()) labels.push_back({static_cast<int>(frame), &record.label.label});

    const int frame_count = timeline.GetFrameCount();
    for (size_t i = 0; i < labels.size(); ++i) {
        const int frame = labels[i].frame;
        const int next = i + 1 < labels.size() ? labels[i + 1].frame : frame_count;
        const int length = next > frame ? next - frame : 0;
        const std::string& text = *labels[i].text;

        std::string name;
        std::vector<std::string> args;
        if (!ParseCharLabel(text, name, args))
            errors.push_back(FormatString("funny label expected: G(poseName, [gestureName, minT, maxT]) %s\n",
                                          text.c_str()));
        if (name == "G") {
            char_gesture_decl g;
            g.frame = frame;
            g.length = length;
            if (args.size() > 0) g.pose = args[0];
            if (args.size() > 1) g.gesture = args[1];
            if (args.size() > 2) g.min_time = std::atoi(args[2].c_str());
            if (args.size() > 3) g.max_time = std::atoi(args[3].c_str());
            gestures.push_back(std::move(g));
        } else if (name == "H") {
            char_hookup_decl h;
            h.frame = frame;
            h.length = length;
            if (args.size() == 2) {
                h.src_pose = args[0];
                h.dst_pose = args[1];
            } else if (args.size() == 4) {
                h.src_pose = args[0];
                h.src_gesture = args[1];
                h.dst_pose = args[2];
                h.dst_gesture = args[3];
            } else {
                errors.push_back(FormatString("invalid hookup declaration at frame %d expected H(srcPose, dstPose) "
                                              "or H(srcPose, srcGesture, dstPose, dstGesture)",
                                              frame));
                continue;
            }
            hookups.push_back(std::move(h));
        }
    }
}
