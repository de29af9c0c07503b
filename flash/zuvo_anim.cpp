// Gesture animation: clip lookup, neighbours, room for tweens, placement of generated gestures,
// tween building and the edits of the gesture channel.
#include "flash/zuvo_anim.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <iterator>

#include "flash/gesture_random.h"

namespace {

// Shortest time a gesture keeps when it gives room to a tween or reaches for the next gesture.
constexpr int kShortestGesture = 2500;

// Inserts before the first gesture that starts at or after g.
void insert_in_order(gesture_marker_list& list, const FGesture& g) {
    auto at = list.begin();
    while (at != list.end() && at->start < g.start) ++at;
    list.insert(at, g);
}

}  // namespace

double FZuvoAnim::frame_period() const {
    if (frame_rate_ >= 1) return 1000.0 / frame_rate_;
    return character_ ? character_->frame_period_ms() : 0.0;
}

int FZuvoAnim::clip_index_of(FGesture& g) const {
    if (g.clip_index < 0 && character_) g.clip_index = character_->find_gesture(g.pose_name, g.gesture_name);
    return g.clip_index;
}

int FZuvoAnim::transition_steps(int source, int destination) const {
    if (!character_) return 0;
    swf_char_path path;
    character_->find_transition(source, destination, path);
    return static_cast<int>(path.size());
}

bool FZuvoAnim::overlaps(const marker_base& span, const marker_base& g) {
    return !(span.start > g.end || span.end < g.start);
}

void FZuvoAnim::find_neighbours(const gesture_marker_list& list, const marker_base& span, int& previous, int& first,
                                int& last, int& next) {
    previous = first = last = next = -1;
    const int s = span.start;
    const int e = span.end;
    const int n = static_cast<int>(list.size());
    for (int i = 0; i < n; ++i) {
        const FGesture& g = list[i];
        if (g.end <= s) {
            previous = i;
        } else if (g.start >= std::max(s, e)) {
            next = i;
            break;
        } else if (first == -1 && overlaps(span, g)) {
            first = i;
        }
    }
    last = first;
    if (first != -1)
        while (last + 1 < n && overlaps(span, list[last + 1])) ++last;
}

bool FZuvoAnim::accept_length(int d, int a, int b) {
    if (d > 4000) return true;
    if (d < 500) return false;
    const int n = a + b;
    if (d < 1500) return n < 4;
    if (d < 2500) return n < 5;
    return n < 7;
}

bool FZuvoAnim::can_give(const FGesture& g, int t) {
    // Giving room (t > 0) shortens the gesture and reaching further (t < 0) must leave the same
    // margin, so neither direction can leave a gesture shorter than the shortest gesture time.
    return t != 0 && g.length() + t >= kShortestGesture && g.length() - t >= kShortestGesture;
}

int FZuvoAnim::tween_length(FGesture& previous, FGesture& g, int& count) const {
    const int gap = g.start - previous.end;
    if (gap > 4000 || !character_) return 0;
    const int source = clip_index_of(previous);
    const int destination = clip_index_of(g);
    count = transition_steps(source, destination);
    if (count <= 4 && gap <= 2500) {
        previous.tween_out_clip = destination;
        return -gap;
    }
    const int rest = character_->rest_gesture(previous.pose_name);
    const int c1 = transition_steps(source, rest);
    const int c2 = transition_steps(rest, destination);
    const int t = static_cast<int>((c1 + c2) * frame_period()) + 1500;
    count = c1;
    return t >= gap ? t - gap : 0;
}

bool FZuvoAnim::fit_to_next(FGesture& g, FGesture& next, int& count) const {
    const int gap = next.start - g.start;
    if (gap > 7000) {
        g.end = g.start + RandomInRange(2500, 5000);
        return true;
    }
    const double period = frame_period();
    const int c = transition_steps(clip_index_of(g), clip_index_of(next));
    count = c;
    if (c < 4 && gap - static_cast<int>(c * period) < 5000) {
        g.end = next.start;
        g.tween_out_clip = clip_index_of(next);
        return true;
    }
    const int rest = character_ ? character_->rest_gesture(g.pose_name) : -1;
    const int c1 = transition_steps(clip_index_of(g), rest);
    const int c2 = transition_steps(rest, clip_index_of(next));
    count = c1;
    const int limit = next.start - static_cast<int>((c1 + c2) * period);
    if (limit - 1500 - g.start >= 2500) {
        g.end = RandomInRange(g.start + 2500, limit - 1500);
        return true;
    }
    return false;
}

bool FZuvoAnim::fit_gesture(const FGesture& span, FGesture& g) {
    g = span;
    int previous, first, last, next;
    find_neighbours(work_gestures_, span, previous, first, last, next);
    int a = 0, b = 0;
    if (first != -1) return false;
    if (previous != -1 && span.start - work_gestures_[previous].end < 4000) {
        FGesture& p = work_gestures_[previous];
        const int t = tween_length(p, g, a);
        if (!(p.type & kGestureUserKept) && can_give(p, t)) {
            p.end -= t;
        } else {
            if (std::abs(t) > 500) return false;
            g.start += t;
            g.end += t;
        }
    }
    if (next == -1) {
        g.end = g.start + RandomInRange(2500, 5000);
    } else if (!fit_to_next(g, work_gestures_[next], b)) {
        return false;
    }
    return accept_length(g.length(), a, b);
}

int FZuvoAnim::pick_clip(const std::string& pose, bool& alternatives) const {
    alternatives = false;
    if (!character_) return -1;
    const auto& poses = character_->get_poses();
    auto it = poses.find(pose);
    if (character_->has_gesture_variety() && it != poses.end() && !it->second.clips.empty()) {
        const std::vector<int32_t>& clips = it->second.clips;
        const int k = static_cast<int>(clips.size());
        if (k == 2) {
            alternatives = true;
            return clips[RandomInRange(0, 1)];
        }
        if (k > 2) {
            // The pose's first clip is its own declaration; the others are its gestures.
            alternatives = true;
            return clips[RandomInRange(1, k - 1)];
        }
        return clips[0];
    }
    const int n = static_cast<int>(character_->get_gestures().size());
    if (n == 0) return -1;
    alternatives = n > 1;
    return RandomInRange(0, n - 1);
}

bool FZuvoAnim::resolve_gesture(FGesture& g) {
    bool alternatives = false;
    int pick = pick_clip(g.pose_name, alternatives);
    while (pick == last_clip && alternatives) pick = pick_clip(g.pose_name, alternatives);
    if (pick == -1) return false;
    const swf_char_gesture* clip = character_->get_gesture(pick);
    g.pose_name = clip->pose;
    g.gesture_name = clip->gesture;
    g.clip_index = pick;
    g.update_label();
    return true;
}

void FZuvoAnim::choose_pose(FGesture& g) {
    const int count = character_ ? static_cast<int>(character_->get_poses().size()) : 0;
    int k = RandomInRange(0, count - 1);
    if (k == last_pose && count < 3) {
        ++k;
        if (k >= count) k = 0;
    }
    last_pose = k;
    std::string name;
    if (k < count) name = std::next(character_->get_poses().begin(), k)->first;
    if (name.empty() && character_) name = character_->default_pose;
    g.pose_name = name;
    g.update_label();
}

void FZuvoAnim::assign_poses(gesture_marker_list& list) {
    for (FGesture& g : list)
        if (g.type & FGesture::kPose) choose_pose(g);
    std::string current = character_ ? character_->default_pose : std::string();
    for (FGesture& g : list) {
        if (!g.pose_name.empty())
            current = g.pose_name;
        else
            g.pose_name = current;
    }
}

void FZuvoAnim::fit_auto_gestures(gesture_marker_list& list) {
    if (!character_) return;
    for (int i = static_cast<int>(list.size()) - 1; i >= 0; --i) {
        if (!character_->has_gesture(list[i].pose_name, list[i].gesture_name)) continue;
        FGesture span = list[i];
        list.erase(list.begin() + i);
        FGesture fitted;
        if (fit_gesture(span, fitted)) insert_in_order(work_gestures_, fitted);
    }
}

void FZuvoAnim::fit_resolved_gestures(gesture_marker_list& list) {
    std::string current = character_ ? character_->default_pose : std::string();
    int last_end = 0;
    size_t i = 0;
    while (i < list.size()) {
        FGesture& g = list[i];
        if (!g.pose_name.empty())
            current = g.pose_name;
        else
            g.pose_name = current;
        if (g.start >= last_end + 5000) last_clip = -1;
        if (!resolve_gesture(g)) {
            ++i;
            continue;
        }
        FGesture fitted;
        if (!fit_gesture(g, fitted)) {
            list.erase(list.begin() + i);
            continue;
        }
        insert_in_order(work_gestures_, fitted);
        last_clip = fitted.clip_index;
        last_end = fitted.end;
        ++i;
    }
}

bool FZuvoAnim::insert_tween(gesture_marker_list& list, int position, int source, int destination, int t0,
                             bool anchored_at_start, int t1) const {
    return insert_tween_within(list, position, source, destination, t0, anchored_at_start, t1, INT_MAX);
}

bool FZuvoAnim::insert_tween_within(gesture_marker_list& list, int position, int source, int destination, int t0,
                                    bool anchored_at_start, int t1, int room) const {
    if (!character_) return false;
    swf_char_path path;
    character_->find_transition(source, destination, path);
    if (path.empty()) return false;
    const double period = frame_period();
    const int length = static_cast<int>(path.size() * period);
    if (length > room) return false;
    const int start = anchored_at_start ? t0 : t1 - length;
    const int end = anchored_at_start ? t0 + length : t1;

    FGesture tween(FGesture::kTween, start, end, 100.0f);
    const swf_char_gesture* from = character_->get_gesture(source);
    const swf_char_gesture* to = character_->get_gesture(destination);
    tween.label = from->gesture + ":T:" + to->gesture;
    for (size_t k = 0; k < path.size(); ++k) {
        const swf_char_gesture* clip = character_->get_gesture(path[k].clip);
        const int s = static_cast<int>(k * period + start);
        const int e = static_cast<int>((k + 1) * period + start);
        tween.tweens.emplace_back(clip->pose, clip->gesture, static_cast<uint32_t>(path[k].clip),
                                  static_cast<uint32_t>(path[k].frame), s, e);
    }
    list.insert(list.begin() + position, std::move(tween));
    return true;
}

int FZuvoAnim::build_tweens_at(gesture_marker_list& list, int i) const {
    // A tween is cut out of the gesture it belongs to; one longer than the gesture would turn the
    // gesture inside out and the list out of order, so it is not built.
    if (list[i].tween_in_clip >= 0) {
        const int from = list[i].tween_in_clip;
        list[i].tween_in_clip = -1;
        const int clip = clip_index_of(list[i]);
        if (insert_tween_within(list, i, from, clip, list[i].start, true, 0, list[i].length())) {
            ++i;
            list[i].start = list[i - 1].end;
        }
    }
    if (list[i].tween_out_clip >= 0) {
        const int to = list[i].tween_out_clip;
        list[i].tween_out_clip = -1;
        const int clip = clip_index_of(list[i]);
        insert_tween_within(list, i + 1, clip, to, 0, false, list[i].end, list[i].length());
        if (i + 1 < static_cast<int>(list.size())) list[i].end = list[i + 1].start;
    }
    return i;
}

void FZuvoAnim::rebuild_tweens(gesture_marker_list& list) const {
    for (int i = 0; i < static_cast<int>(list.size()); ++i)
        if (list[i].tween_in_clip >= 0 || list[i].tween_out_clip >= 0) i = build_tweens_at(list, i);
}

void FZuvoAnim::normalise(gesture_marker_list& list) const {
    size_t i = 0;
    while (i < list.size()) {
        FGesture& g = list[i];
        const bool touches_previous = i > 0 && list[i - 1].end == g.start;
        const bool touches_next = i + 1 < list.size() && list[i + 1].start == g.end;
        if (is_tween(g) && !(touches_previous && touches_next)) {
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
            // The gesture before has a new next neighbour: look at it again.
            if (i > 0) --i;
            continue;
        }
        if (!touches_previous) g.tween_in_clip = -1;
        if (!touches_next) g.tween_out_clip = -1;
        ++i;
    }
}

void FZuvoAnim::untween(gesture_marker_list& list) const {
    normalise(list);
    size_t i = 1;
    while (i + 1 < list.size()) {
        if (is_tween(list[i]) && list[i - 1].end == list[i].start && list[i + 1].start == list[i].end) {
            FGesture& previous = list[i - 1];
            previous.end = list[i + 1].start;
            previous.tween_out_clip = clip_index_of(list[i + 1]);
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        ++i;
    }
}

void FZuvoAnim::set_frame_rate(int rate) {
    const int effective = frame_rate_ >= 1 ? frame_rate_ : (character_ ? character_->frame_rate() : 0);
    if (rate == effective) return;
    frame_rate_ = rate;
    untween(gestures_);
    rebuild_tweens(gestures_);
}

FGesture FZuvoAnim::make_room_for(FGesture g) {
    for (;;) {
        if (g.length() <= 0) {
            int m = 5000;
            for (const FGesture& x : gestures_) {
                if (x.start < g.start) continue;
                const int d = x.start - g.start;
                if (d >= 2501 && d < 5000) m = d;
                break;
            }
            g.end = g.start + RandomInRange(2500, m);
            continue;
        }
        int previous, first, last, next;
        find_neighbours(gestures_, g, previous, first, last, next);
        if (first != -1) {
            FGesture& f = gestures_[first];
            f.end = g.start;
            int count = 0;
            const int t = tween_length(f, g, count);
            int run = first;
            if (can_give(f, t)) {
                f.end -= t;
                run = first + 1;
            }
            if (run <= last) gestures_.erase(gestures_.begin() + run, gestures_.begin() + last + 1);
            normalise(gestures_);
            continue;
        }
        if (previous != -1) {
            FGesture& p = gestures_[previous];
            int count = 0;
            const int t = tween_length(p, g, count);
            if (t != 0) {
                if (!(p.type & kGestureUserKept) && can_give(p, t)) {
                    p.end -= t;
                } else {
                    gestures_.erase(gestures_.begin() + previous);
                    continue;
                }
            }
        }
        if (next != -1 && gestures_[next].start - g.end < 1500) gestures_.erase(gestures_.begin() + next);
        return g;
    }
}

bool FZuvoAnim::add_gesture(const FGesture& g) {
    FGesture placed = make_room_for(g);
    insert_in_order(gestures_, placed);
    normalise(gestures_);
    rebuild_tweens(gestures_);
    return true;
}

bool FZuvoAnim::set_gesture_clip(uint32_t id, int clip) {
    int i = gestures_.index_of_id(id);
    if (i < 0) return false;
    if (!character_ || clip < 0 || clip >= static_cast<int>(character_->get_gestures().size())) return false;
    if (clip_index_of(gestures_[i]) == clip) {
        normalise(gestures_);
        rebuild_tweens(gestures_);
        return true;
    }
    FGesture copy = gestures_[i];
    copy.type = (copy.type & kGestureUserKept) ? (kGestureUserClip | kGestureUserKept) : kGestureUserClip;
    const swf_char_gesture* c = character_->get_gesture(clip);
    copy.pose_name = c->pose;
    copy.gesture_name = c->gesture;
    copy.clip_index = clip;
    copy.update_label();
    if (i > 1 && is_tween(gestures_[i - 1])) {
        gestures_[i - 2].end = copy.start;
        gestures_[i - 2].tween_out_clip = clip;
        gestures_.erase(gestures_.begin() + i - 1);
        --i;
    }
    if (i + 1 < static_cast<int>(gestures_.size()) && is_tween(gestures_[i + 1])) {
        gestures_.erase(gestures_.begin() + i + 1);
        if (i + 1 < static_cast<int>(gestures_.size())) {
            gestures_[i + 1].start = copy.end;
            copy.tween_out_clip = clip_index_of(gestures_[i + 1]);
        }
    }
    gestures_[i] = copy;
    normalise(gestures_);
    rebuild_tweens(gestures_);
    return true;
}

bool FZuvoAnim::move_gesture_end(uint32_t id, int ms) {
    const int i = gestures_.index_of_id(id);
    if (i < 0) return false;
    FGesture& g = gestures_[i];
    if (ms < g.end) {
        if (!(ms > g.start + frame_period())) return false;
        g.end = ms;
    } else if (ms > g.end) {
        const bool crowded = i + 1 < static_cast<int>(gestures_.size()) && gestures_[i + 1].start <= ms + 1500;
        if (!crowded) g.end = ms;
    }
    normalise(gestures_);
    rebuild_tweens(gestures_);
    return true;
}

bool FZuvoAnim::move_gesture_start(uint32_t id, int ms) {
    const int i = gestures_.index_of_id(id);
    if (i < 0) return false;
    FGesture& g = gestures_[i];
    if (!(g.end > ms + frame_period())) return false;
    if (ms < g.start) {
        const bool crowded = i > 0 && gestures_[i - 1].end >= ms - 1500;
        if (!crowded) g.start = ms;
    } else {
        g.start = ms;
    }
    normalise(gestures_);
    rebuild_tweens(gestures_);
    return true;
}

bool FZuvoAnim::delete_gesture(uint32_t id) {
    const int i = gestures_.index_of_id(id);
    if (i < 0) return false;
    gestures_.erase(gestures_.begin() + i);
    normalise(gestures_);
    return true;
}
