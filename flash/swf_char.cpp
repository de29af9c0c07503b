// Character template: building clips, poses and hookups from the labels, and the transition search.
#include "flash/swf_char.h"

#include "engine/util/string_utils.h"
#include "flash/char_labels.h"
#include "swf/flash_display.h"

void zuvo_swf_char::collect_labels(std::vector<char_gesture_decl>& gestures, std::vector<char_hookup_decl>& hookups,
                                   std::vector<std::string>& errors) const {
    const FTimeline& timeline = movie.mainTimeline;
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
            if (args.size() > 2) g.min_time = LabelToInt(args[2]);
            if (args.size() > 3) g.max_time = LabelToInt(args[3]);
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

bool zuvo_swf_char::load(flash_istream& in, std::vector<std::string>& errors) {
    if (!movie.Load(in, errors)) return false;
    if (frame_rate() < 1) {
        build(errors);  // adds the frame-rate message and builds nothing
        return false;
    }
    build(errors);
    return true;
}

int zuvo_swf_char::frame_rate() const { return movie.GetFrameRate(); }

double zuvo_swf_char::frame_period_ms() const {
    int rate = frame_rate();
    return rate < 1 ? 0.0 : 1000.0 / rate;
}

const swf_char_gesture* zuvo_swf_char::get_gesture(int index) const {
    if (gestures.empty()) return nullptr;
    if (index < 0 || index >= static_cast<int>(gestures.size())) index = 0;
    return &gestures[index];
}

int zuvo_swf_char::find_gesture(const std::string& pose, const std::string& gesture, swf_char_gesture* copy) const {
    for (size_t i = 0; i < gestures.size(); ++i) {
        const swf_char_gesture& g = gestures[i];
        if (g.gesture != gesture) continue;
        if (!pose.empty() && g.pose != pose) continue;
        if (copy) *copy = g;
        return static_cast<int>(i);
    }
    return -1;
}

bool zuvo_swf_char::has_gesture(const std::string& pose, const std::string& gesture) const {
    return !pose.empty() && find_gesture(pose, gesture) != -1;
}

int zuvo_swf_char::rest_gesture(const std::string& pose) const {
    auto it = poses.find(pose);
    return it == poses.end() ? -1 : it->second.rest;
}

int zuvo_swf_char::rest_gesture_of(int index) const {
    if (index < 0 || index >= static_cast<int>(gestures.size())) return -1;
    return rest_gesture(get_gesture(index)->pose);
}

void zuvo_swf_char::add_gesture_clip(const FTimeline& main, int frame, int length, const std::string& pose,
                                     const std::string& gesture, int min_time, int max_time) {
    swf_char_gesture g;
    g.pose = pose;
    g.gesture = gesture;
    g.first_frame = frame;
    g.clip = main.ExtractFrames(static_cast<uint32_t>(frame), length);
    g.clip.frameCount = length;
    // Trailing frames that repeat their predecessor are only a hold: the clip shows its last real
    // frame first, so it counts as that much shorter (the count is 0 or negative).
    int still = g.clip.CountTrailingStillFrames();
    g.frame_count = length + still;
    g.src_end_mark = g.frame_count - 1;
    g.dst_start_mark = g.frame_count - 1;

    const double period = frame_period_ms();
    g.min_time = min_time < 0 ? 2500 : min_time;
    g.max_time = max_time < 0 ? 4000 : max_time;
    if (static_cast<double>(g.frame_count) > g.min_time / period)
        g.min_time = static_cast<int32_t>(period * g.frame_count + 1.0);
    if (g.max_time < g.min_time) g.max_time = g.min_time;

    const int index = static_cast<int>(gestures.size());
    gestures.push_back(std::move(g));
    auto it = poses.find(pose);
    if (it == poses.end()) {
        swf_char_pose p;
        p.rest = index;
        p.clips.push_back(index);
        poses.emplace(pose, std::move(p));
    } else {
        it->second.clips.push_back(index);
        if (gesture.empty()) it->second.rest = index;
    }
    if (default_pose.empty()) default_pose = pose;
}

void zuvo_swf_char::build(std::vector<std::string>& errors) {
    default_pose.clear();
    gestures.clear();
    poses.clear();
    transitions.clear();
    gesture_variety = 0.0;
    if (frame_rate() < 1) {
        // Every clip time is a multiple of the frame period, which such a movie does not have.
        errors.push_back(FormatString("invalid frame rate %d: a character template needs at least one frame per second",
                                      frame_rate()));
        return;
    }

    const FTimeline& main = movie.mainTimeline;
    std::vector<char_gesture_decl> declared;
    std::vector<char_hookup_decl> hookups;
    collect_labels(declared, hookups, errors);

    for (const char_gesture_decl& d : declared)
        add_gesture_clip(main, d.frame, d.length, d.pose, d.gesture, d.min_time, d.max_time);

    for (const char_hookup_decl& h : hookups) {
        swf_char_gesture g;
        g.frame_count = h.length;
        g.src_end_mark = h.length - 1;
        g.dst_start_mark = h.length - 1;
        g.clip = main.ExtractFrames(static_cast<uint32_t>(h.frame), h.length);
        g.clip.frameCount = h.length;
        g.hookup_from = h.src_gesture.empty() ? h.src_pose : h.src_pose + "|" + h.src_gesture;
        g.hookup_to = h.dst_gesture.empty() ? h.dst_pose : h.dst_pose + "|" + h.dst_gesture;
        const int index = static_cast<int>(gestures.size());
        const int steps = g.clip.GetFrameCount();
        gestures.push_back(std::move(g));

        const int source = find_gesture(h.src_pose, h.src_gesture);
        const int destination = find_gesture(h.dst_pose, h.dst_gesture);
        auto missing = [&](const std::string& pose, const std::string& gesture) {
            if (!gesture.empty())
                errors.push_back(FormatString("invalid hookup declaration at frame %d can't find gesture G(%s, %s)",
                                              h.frame, pose.c_str(), gesture.c_str()));
            else
                errors.push_back(FormatString("invalid hookup declaration at frame %d can't find gesture G(%s)",
                                              h.frame, pose.c_str()));
        };
        if (source == -1) {
            missing(h.src_pose, h.src_gesture);
            continue;
        }
        if (destination == -1) {
            missing(h.dst_pose, h.dst_gesture);
            continue;
        }
        swf_char_path forward, backward;
        for (int k = 0; k < steps; ++k) forward.push_back({index, k});
        for (int k = steps - 1; k >= 0; --k) backward.push_back({index, k});
        transitions[source][destination] = std::move(forward);
        transitions[destination][source] = std::move(backward);
    }

    if (!poses.empty()) {
        size_t clips = 0;
        for (const auto& [name, pose] : poses) clips += pose.clips.size();
        gesture_variety = static_cast<double>(clips) / static_cast<double>(poses.size());
    }
}

bool zuvo_swf_char::find_transition(int source, int destination, swf_char_path& path) const {
    const int count = static_cast<int>(gestures.size());
    if (source < 0 || destination < 0 || source >= count || destination >= count) return false;

    auto row = transitions.find(source);
    if (row != transitions.end()) {
        auto cell = row->second.find(destination);
        if (cell != row->second.end()) {
            path = cell->second;
            return true;
        }
    }

    const swf_char_gesture& s = gestures[source];
    const swf_char_gesture& d = gestures[destination];
    const bool same_pose = s.pose == d.pose;
    int i0 = 0, j0 = 0;
    if (same_pose) {
        if (rest_gesture(s.pose) == source) i0 = s.src_end_mark;
        if (rest_gesture(d.pose) == destination) j0 = d.dst_start_mark;
    }

    // The latest frame of the destination that some late frame of the source already shows.
    bool found = false;
    int fi = i0, fj = j0;
    std::vector<FDisplayRecord> a, b;
    for (int j = d.frame_count - 1; j >= j0 && !found; --j) {
        d.clip.GetDisplayList(j, b);
        FTimeline::RenumberDisplayDepths(b);
        for (int i = s.frame_count - 1; i >= i0; --i) {
            s.clip.GetDisplayList(i, a);
            FTimeline::RenumberDisplayDepths(a);
            if (DisplayListsEqual(a, b)) {
                found = true;
                fi = i;
                fj = j;
                break;
            }
        }
    }

    for (int k = s.frame_count - 2; k >= fi; --k) path.push_back({source, k});
    bool result = true;
    if (!found) {
        if (same_pose) {
            int rest = rest_gesture(s.pose);
            // A pose without an entry (hookup clips have no pose) falls back on the first clip.
            if (rest < 0 || rest >= count) rest = 0;
            path.push_back({rest, gestures[rest].dst_start_mark});
        } else {
            int r1 = rest_gesture(s.pose);
            int r2 = rest_gesture(d.pose);
            if (r1 < 0) r1 = 0;
            if (r2 < 0) r2 = 0;
            if (r1 != source || r2 != destination)
                result = find_transition(r1, r2, path);
            else
                path.push_back({0, 0});
        }
    }
    for (int k = found ? fj + 1 : j0; k <= d.frame_count - 2; ++k) path.push_back({destination, k});
    return result;
}
