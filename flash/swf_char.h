// A Flash character template: a SWF movie whose main-timeline frame labels declare the clips of
// each pose and the hookup clips between poses. Loaded by the Flash document; asked by the
// gesture animation which clips exist, how long they last and which frames lead between them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "flash/char_labels.h"
#include "swf/flash_movie.h"
#include "swf/flash_timeline.h"

class flash_istream;

// One clip of the template: a G declaration or a hookup clip (empty names).
class swf_char_gesture {
public:
    std::string pose;
    std::string gesture;
    int32_t first_frame = 0;  // where its label stands on the main timeline (0 for a hookup clip)
    FTimeline clip;           // its frames, renumbered from 0
    int32_t frame_count = 0;  // frames it really shows: trailing still frames are not counted
    int32_t min_time = -1;    // ms a gesture using this clip should at least last
    int32_t max_time = -1;    // ms it should at most last
    int32_t src_end_mark = 0;    // where a transition search out of a rest clip starts
    int32_t dst_start_mark = 0;  // where a transition search into a rest clip stops
    // For a hookup clip, the clips it leads from and to as its label names them: "pose", or
    // "pose|gesture"; empty for a G clip. Only shown: the transitions hold the clips themselves.
    std::string hookup_from;
    std::string hookup_to;
};

// The clips of one pose by index, with the rest clip the pose returns to.
class swf_char_pose {
public:
    int32_t rest = -1;
    std::vector<int32_t> clips;
};

// One frame of a transition: a clip index and a frame of that clip.
struct swf_char_step {
    int32_t clip = 0;
    int32_t frame = 0;
    bool operator==(const swf_char_step& o) const { return clip == o.clip && frame == o.frame; }
};

using swf_char_path = std::vector<swf_char_step>;

// Built once per load, then only read. A clip's index in get_gestures() is its identity for the
// whole animation. One thread at a time; no lock.
class zuvo_swf_char {
public:
    zuvo_swf_char() = default;
    zuvo_swf_char(const zuvo_swf_char&) = default;
    zuvo_swf_char& operator=(const zuvo_swf_char&) = default;
    zuvo_swf_char(zuvo_swf_char&&) = default;
    zuvo_swf_char& operator=(zuvo_swf_char&&) = default;
    virtual ~zuvo_swf_char() = default;

    // Loads the movie (errors gets the movie's messages) and builds the clips. False when the movie
    // cannot be read or its frame rate is below one frame per second (nothing is built then); true
    // otherwise, also when building added messages: the caller judges by errors.
    virtual bool load(flash_istream& in, std::vector<std::string>& errors);
    // Whole frames per second of the movie.
    virtual int frame_rate() const;
    // 1000 / frame_rate(); 0 for a movie below one frame per second, which load refuses.
    virtual double frame_period_ms() const;

    // Reads the labels of the movie's main timeline and builds clips, poses and hookup paths.
    // A frame rate below 1 is refused with a message and builds nothing.
    void build(std::vector<std::string>& errors);
    // Reads the labelled frames of the main timeline in frame order. Each label's clip reaches to
    // the next labelled frame (the last one to the timeline's frame count). Problems are appended
    // to errors and reading goes on; labels with other names are ignored.
    void collect_labels(std::vector<char_gesture_decl>& gestures, std::vector<char_hookup_decl>& hookups,
                        std::vector<std::string>& errors) const;

    const std::vector<swf_char_gesture>& get_gestures() const { return gestures; }
    // The clip at index; an index outside gives the first clip; null when there are none.
    const swf_char_gesture* get_gesture(int index) const;
    const std::map<std::string, swf_char_pose>& get_poses() const { return poses; }
    // The first clip with exactly that gesture name and that pose (any pose when pose is empty);
    // -1 when none. The clip is copied into copy when given.
    int find_gesture(const std::string& pose, const std::string& gesture, swf_char_gesture* copy = nullptr) const;
    bool has_gesture(const std::string& pose, const std::string& gesture) const;
    // The pose's rest clip; -1 for an unknown pose.
    int rest_gesture(const std::string& pose) const;
    // The rest clip of the pose of a clip; -1 for an index outside the clips.
    int rest_gesture_of(int index) const;
    bool has_gesture_variety() const { return gesture_variety >= 1.5; }
    // Appends the frames leading from the end of clip source to the start of clip destination
    // (a declared hookup replaces what path held). False for indexes outside the clips.
    bool find_transition(int source, int destination, swf_char_path& path) const;

    FSWFMovie& get_movie() { return movie; }
    const FSWFMovie& get_movie() const { return movie; }

    std::string default_pose;
    FSWFMovie movie;
    std::vector<swf_char_gesture> gestures;
    std::map<std::string, swf_char_pose> poses;
    std::map<int, std::map<int, swf_char_path>> transitions;
    double gesture_variety = 0.0;

private:
    void add_gesture_clip(const FTimeline& main, int frame, int length, const std::string& pose,
                          const std::string& gesture, int min_time, int max_time);
};
