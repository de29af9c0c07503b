// Gesture generators and the generation pipeline of the animation.
#include "flash/gesture_generation.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>

#include "engine/util/xml_tag.h"
#include "flash/char_labels.h"
#include "flash/gesture_random.h"
#include "flash/zuvo_anim.h"
#include "model/app_sync_results.h"

gesture_marker_list MakePauseGestures(const app_sync_results& track, float window, float min_pause, int type) {
    gesture_marker_list out;
    int pause_start = 0;
    float pause_length = 0.0f;
    const auto& phonemes = track.phonemes;
    for (size_t i = 0; i < phonemes.size(); ++i) {
        const phn_marker& p = phonemes[i];
        const bool last = i + 1 == phonemes.size();
        const bool silence = p.label == "x" && !last;
        const bool quiet = p.value < 4.0f && (p.length() >= 126 || pause_length != 0.0f);
        if (silence || quiet) {
            if (pause_start == 0) pause_start = p.start;
            pause_length = static_cast<float>(p.length());
        } else if (pause_length != 0.0f) {
            if (pause_length >= min_pause)
                out.push_back(FGesture(static_cast<uint32_t>(type), pause_start, p.start, pause_length));
            pause_start = 0;
            pause_length = 0.0f;
        }
    }
    return ThinGestures(out, window);
}

bool ParseAnimLabel(const char* label, FGesture& g) {
    g.pose_name.clear();
    const std::string text = label ? label : "";
    std::string name;
    std::map<std::string, std::string> attributes;
    int position = 0;
    if (ParseXmlTag(text, name, attributes, position)) {
        if (name == "anim") {
            auto it = attributes.find("pose");
            if (it != attributes.end()) g.pose_name = it->second;
            it = attributes.find("gest");
            if (it != attributes.end()) g.gesture_name = it->second;
            it = attributes.find("hold");
            if (it != attributes.end()) {
                const int64_t end = static_cast<int64_t>(g.start) + LabelToInt(it->second);
                g.end = static_cast<int32_t>(std::clamp<int64_t>(end, INT_MIN, INT_MAX));
            }
        }
    } else {
        g.pose_name = text;
    }
    return !g.pose_name.empty();
}

gesture_marker_list MakeAnimTagGestures(const app_sync_results& track, float gap) {
    gesture_marker_list out;
    const auto& events = track.xml_events;
    for (size_t i = 0; i < events.size(); ++i) {
        FGesture g(kGestureAnimTag, events[i].start, events[i].end, static_cast<float>(i));
        if (!events[i].label.empty() && ParseAnimLabel(events[i].label.c_str(), g)) out.push_back(g);
    }
    return ThinGestures(out, gap);
}

bool IsVowelPhoneme(const std::string& label) {
    static const char* const kVowels[] = {"r",  "ER", "w",  "UH", "UW", "AW", "IY", "y",  "IH", "l",
                                          "AE", "AY", "EY", "EH", "AA", "AH", "AO", "OW", "OY"};
    for (const char* v : kVowels)
        if (label == v) return true;
    return false;
}

gesture_marker_list MakeEmphasisGestures(const app_sync_results& track, float gap, int) {
    std::vector<const phn_marker*> selected;
    for (const phn_marker& p : track.phonemes)
        if (IsVowelPhoneme(p.label) && p.end - p.start > 30 && p.value > 30.0f) selected.push_back(&p);
    gesture_marker_list out;
    if (selected.empty()) return out;

    const float inverse = 1.0f / static_cast<float>(selected.size());
    float sum = 0.0f;
    for (const phn_marker* p : selected) sum += p->value;
    const float mean = sum * inverse;
    float squares = 0.0f;
    for (const phn_marker* p : selected) squares += (p->value - mean) * (p->value - mean);
    const float sd = std::sqrt(squares * inverse);

    for (const phn_marker* p : selected) {
        const float d = p->value - mean;
        if (d >= 2.0f * sd)
            out.push_back(FGesture(FGesture::kEmphasis, p->start, p->end, d));
        else if (d >= sd)
            out.push_back(FGesture(FGesture::kLight, p->start, p->end, d));
    }
    return ThinGestures(out, gap);
}

gesture_marker_list ThinGestures(const gesture_marker_list& list, float gap) {
    gesture_marker_list out;
    if (list.empty()) return out;
    const int64_t limit = static_cast<int64_t>(list.back().end) + 10;
    int64_t t = 0;
    size_t cursor = 0;
    const size_t n = list.size();
    while (t <= limit && cursor < n) {
        const float ws = static_cast<float>(t);
        float we = ws + gap;
        while (cursor < n && static_cast<float>(list[cursor].end) < ws) ++cursor;
        if (cursor >= n) break;
        const FGesture& g = list[cursor];
        const float s = static_cast<float>(g.start);
        if (s < ws) {
            // Reaches into the window from before it: the sweep passes over it one millisecond at a
            // time until it ends, so go straight past its end.
            t = std::max<int64_t>(t + 1, static_cast<int64_t>(g.end) + 1);
        } else if (s > we) {
            t = g.start;
        } else {
            we = std::max(s + gap, static_cast<float>(g.end) + 1000.0f);
            size_t best = cursor;
            for (size_t k = cursor + 1; k < n; ++k) {
                const float ks = static_cast<float>(list[k].start);
                if (ks < ws || ks > we) break;
                const FGesture& b = list[best];
                if (list[k].type > b.type || (list[k].type == b.type && list[k].value > b.value)) best = k;
            }
            out.push_back(list[best]);
            t = static_cast<int64_t>(static_cast<float>(list[best].start) + gap);
            cursor = best + 1;
        }
    }
    return out;
}

gesture_marker_list MergeGestures(const gesture_marker_list& a, const gesture_marker_list& b, float gap) {
    gesture_marker_list merged;
    merged.reserve(a.size() + b.size());
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        if (j >= b.size() || (i < a.size() && a[i].start <= b[j].start))
            merged.push_back(a[i++]);
        else
            merged.push_back(b[j++]);
    }
    return ThinGestures(merged, gap);
}

void CollapseGestures(gesture_marker_list& list, bool to_start) {
    for (FGesture& g : list) {
        if (to_start)
            g.end = g.start;
        else
            g.start = g.end;
    }
}

int MarkPoseChanges(gesture_marker_list& list, float min_gap, float max_gap) {
    const int lo = static_cast<int>(min_gap);
    const int hi = static_cast<int>(max_gap);
    int next = RandomInRange(-lo, lo);
    for (FGesture& g : list) {
        if (g.start <= next) continue;
        g.type = FGesture::kPose;
        g.update_label();
        next = g.end + RandomInRange(lo, hi);
    }
    return next;
}

gesture_marker_list AddTrailingPoseGestures(gesture_marker_list list, int duration_ms, int min_step, int max_step) {
    int t = duration_ms;
    if (!list.empty() && list.back().end > duration_ms - 2000) t = list.back().end + min_step;
    int appended = 0;
    for (;;) {
        list.push_back(FGesture(FGesture::kPose, t, t, 1.0f));
        ++appended;
        t += RandomInRange(min_step, max_step);
        if (appended >= RandomInRange(3, 4)) break;
    }
    return list;
}

gesture_marker_list GenerateGesturesWithoutTemplate(const app_sync_results& track, bool with_anim_tags) {
    gesture_marker_list tags;
    if (with_anim_tags) tags = MakeAnimTagGestures(track, 100.0f);
    gesture_marker_list pauses = MergeGestures(MakePauseGestures(track, 6000.0f, 400.0f, FGesture::kPause),
                                               MakePauseGestures(track, 2000.0f, 200.0f, FGesture::kPause), 2500.0f);
    gesture_marker_list emphasis = MakeEmphasisGestures(track, 0.5f);
    gesture_marker_list g = MergeGestures(tags, MergeGestures(emphasis, pauses, 100.0f), 100.0f);
    MarkPoseChanges(g, 5000.0f, 8000.0f);
    CollapseGestures(g, false);
    return g;
}

void KeepGesturesWithinRecording(gesture_marker_list& list, int duration_ms) {
    if (duration_ms <= 0) return;
    // A point at the very end is on the recording; a span starting there would be left empty.
    auto outside = [duration_ms](const marker_base& m) {
        return m.start > duration_ms || (m.start == duration_ms && m.end > m.start);
    };
    gesture_marker_list kept;
    for (FGesture& g : list) {
        if (outside(g)) continue;
        if (g.end > duration_ms) g.end = duration_ms;
        std::vector<tween_gesture_marker> steps;
        for (tween_gesture_marker& step : g.tweens) {
            if (outside(step)) continue;
            if (step.end > duration_ms) step.end = duration_ms;
            steps.push_back(step);
        }
        g.tweens = std::move(steps);
        kept.push_back(g);
    }
    list = std::move(kept);
}

void FZuvoAnim::extract_gestures(const app_sync_results& track, int duration_ms) {
    extract_gestures(track, duration_ms, ClockSeed());
}

void FZuvoAnim::extract_gestures(const app_sync_results& track, int duration_ms, uint64_t seed) {
    if (!character_) return;
    SeedRandomInRange(seed);
    last_pose = -1;
    last_clip = -1;

    work_gestures_ = gestures_.filter(FGesture::kTween | kGestureReserved64 | kGestureUserClip | kGestureUserKept, 0);
    normalise(work_gestures_);

    gesture_marker_list user = gestures_.filter(kGestureUserClip, kGestureUserKept);
    fit_auto_gestures(user);

    gesture_marker_list tags = MakeAnimTagGestures(track, 300.0f);
    fit_auto_gestures(tags);

    gesture_marker_list pauses = MergeGestures(MakePauseGestures(track, 6000.0f, 400.0f, FGesture::kPause),
                                               MakePauseGestures(track, 2000.0f, 200.0f, FGesture::kPause), 2000.0f);
    gesture_marker_list emphasis = MakeEmphasisGestures(track, 100.0f);
    CollapseGestures(emphasis, true);

    gesture_marker_list g = MergeGestures(tags, MergeGestures(emphasis, pauses, 2000.0f), 2000.0f);
    MarkPoseChanges(g, 5000.0f, 8000.0f);
    CollapseGestures(g, false);
    g = AddTrailingPoseGestures(g, duration_ms, 5000, 7500);
    // The trailing pose changes step on past the end: only those on the recording are kept.
    KeepGesturesWithinRecording(g, duration_ms);
    auto_gestures_ = g;

    assign_poses(g);
    fit_resolved_gestures(g);

    normalise(work_gestures_);
    rebuild_tweens(work_gestures_);
    // A clip placed near the end runs for its own length; the animation stops with the recording.
    KeepGesturesWithinRecording(work_gestures_, duration_ms);
    gestures_ = work_gestures_;
    work_gestures_.clear();
}
