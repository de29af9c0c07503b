// The gesture track of a Flash character: gestures that each show a clip of the character
// template, with tween gestures between neighbouring clips. Placed by the automatic generation,
// edited by the Flash gesture channel, copied whole by the undoable gesture edits.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "flash/swf_char.h"
#include "model/marker_lists.h"

class app_sync_results;

// Type bits of the animation's gestures beyond the model's own.
enum : uint32_t {
    kGestureAnimTag = 32,
    kGestureReserved64 = 64,
    kGestureUserClip = 128,  // the clip was chosen by the user
    kGestureUserKept = 256,  // the user wants the gesture kept as it is
};

// A plain value: copies share the template. User-interface thread.
class FZuvoAnim {
public:
    FZuvoAnim() = default;
    FZuvoAnim(const FZuvoAnim&) = default;
    FZuvoAnim& operator=(const FZuvoAnim&) = default;
    virtual ~FZuvoAnim() = default;

    // Removes the gesture with that marker id and the tweens left without both neighbours; false
    // for an unknown id.
    virtual bool delete_gesture(uint32_t id);

    // The template is not owned; every operation that looks at clips needs it.
    void set_character(const zuvo_swf_char* character) { character_ = character; }
    const zuvo_swf_char* get_character() const { return character_; }
    gesture_marker_list* get_gestures() { return &gestures_; }
    const gesture_marker_list* get_gestures() const { return &gestures_; }
    const gesture_marker_list& get_auto_gestures() const { return auto_gestures_; }
    int get_frame_rate() const { return frame_rate_; }
    // Rebuilds every tween at the new rate when it differs from the one in effect.
    void set_frame_rate(int rate);
    // Milliseconds per frame: from the animation's own rate, else from the template (0 without one).
    double frame_period() const;

    // Edits of the gesture channel. Each keeps the gestures in start order with every tween
    // touching the two gestures it joins; an unknown id gives false and changes nothing.
    bool add_gesture(const FGesture& g);
    bool set_gesture_clip(uint32_t id, int clip);
    bool move_gesture_start(uint32_t id, int ms);
    bool move_gesture_end(uint32_t id, int ms);

    // The gesture section of the results file: an optional "frame_rate" line, then per gesture a
    // "gesture" line, or one "tween" line per step and its "tween_end" line. Reading appends to
    // the gestures until the end of the stream; an unknown keyword or a damaged record is reported
    // to errors and stops it with false (what was read stays).
    bool read_gesture_section(std::istream& in, std::ostream& errors);
    void write_gesture_section(std::ostream& out) const;

    // Automatic generation from a lip-sync track (the template must be set). The seeded form
    // makes the same gestures for the same seed; the other seeds from the clock.
    void extract_gestures(const app_sync_results& track, int duration_ms);
    void extract_gestures(const app_sync_results& track, int duration_ms, uint64_t seed);

    // Steps of the generation and of the edits, on any gesture list.
    // The clip of a gesture, looked up by its names once and cached in clip_index.
    int clip_index_of(FGesture& g) const;
    // Indexes around the span [s, e] (-1 for none): previous ends at or before s, next starts at or
    // after max(s, e); first .. last is the run of gestures overlapping the span.
    static void find_neighbours(const gesture_marker_list& list, const marker_base& span, int& previous, int& first,
                                int& last, int& next);
    static bool overlaps(const marker_base& span, const marker_base& g);
    // Whether a gesture of duration d leaves enough time for tweens of a and b steps.
    static bool accept_length(int d, int a, int b);
    // Room in ms that previous must give up (negative: how far it must reach) for a tween into g.
    int tween_length(FGesture& previous, FGesture& g, int& count) const;
    // Sets g's end before next; false when no end leaves room for the tweens.
    bool fit_to_next(FGesture& g, FGesture& next, int& count) const;
    // Places a copy of span among the work gestures; false when it does not fit.
    bool fit_gesture(const FGesture& span, FGesture& g);
    // Clears room in the gestures for g (giving it a length when it has none) and returns it as
    // it is to be inserted.
    FGesture make_room_for(FGesture g);
    int pick_clip(const std::string& pose, bool& alternatives) const;
    bool resolve_gesture(FGesture& g);
    void choose_pose(FGesture& g);
    void assign_poses(gesture_marker_list& list);
    void fit_auto_gestures(gesture_marker_list& list);
    void fit_resolved_gestures(gesture_marker_list& list);
    bool insert_tween(gesture_marker_list& list, int position, int source, int destination, int t0,
                      bool anchored_at_start, int t1) const;
    int build_tweens_at(gesture_marker_list& list, int index) const;
    void rebuild_tweens(gesture_marker_list& list) const;
    void normalise(gesture_marker_list& list) const;
    void untween(gesture_marker_list& list) const;

    gesture_marker_list& work_gestures() { return work_gestures_; }
    int last_pose = -1;
    int last_clip = -1;

private:
    static bool is_tween(const FGesture& g) { return (g.type & FGesture::kTween) != 0; }
    // Steps of the transition between two clips; 0 when there is none.
    int transition_steps(int source, int destination) const;
    // Whether a gesture may change its end by -t and still last the shortest gesture time.
    static bool can_give(const FGesture& g, int t);
    // insert_tween refusing a tween longer than room.
    bool insert_tween_within(gesture_marker_list& list, int position, int source, int destination, int t0,
                             bool anchored_at_start, int t1, int room) const;

    gesture_marker_list gestures_;
    gesture_marker_list auto_gestures_;
    gesture_marker_list work_gestures_;
    const zuvo_swf_char* character_ = nullptr;
    int frame_rate_ = 0;
};
