// Automatic gesture generation from a lip-sync result track: pauses, emphasised vowels and anim
// tags become candidate gestures, thinned to keep a distance, marked as pose changes and, with a
// character template, placed as clips of the animation. Run by the Flash document's Extract
// Gestures command. The generators return new lists and leave their inputs alone unless said.
#pragma once

#include <string>

#include "model/marker_lists.h"

class app_sync_results;

// Type bits of generated gestures: light 1, emphasis 2, pause 4, pose change 8, anim tag 32.

// Pauses (silence "x" phonemes and quiet stretches) of at least min_pause ms, thinned with window.
gesture_marker_list MakePauseGestures(const app_sync_results& track, float window, float min_pause, int type);
// Reads an <anim pose=".." gest=".." hold=".."/> tag, or takes a plain label as the pose name.
// True when the gesture got a pose name.
bool ParseAnimLabel(const char* label, FGesture& g);
// One gesture per XML marker that names a pose, thinned with gap.
gesture_marker_list MakeAnimTagGestures(const app_sync_results& track, float gap);
bool IsVowelPhoneme(const std::string& label);
// Vowels clearly louder than the track's other vowels: one standard deviation above the mean gives
// a light gesture, two an emphasis gesture. Thinned with gap.
gesture_marker_list MakeEmphasisGestures(const app_sync_results& track, float gap, int unused = 0);
// Keeps the best gesture (highest type, then highest value) of each window of gap ms.
gesture_marker_list ThinGestures(const gesture_marker_list& list, float gap);
// Both lists in start order (a first at equal starts), then thinned with gap.
gesture_marker_list MergeGestures(const gesture_marker_list& a, const gesture_marker_list& b, float gap);
// Makes every gesture a point at its start (or at its end).
void CollapseGestures(gesture_marker_list& list, bool to_start);
// Turns gestures spaced min_gap .. max_gap ms apart (at random) into pose changes; returns the
// next time a pose change would be allowed.
int MarkPoseChanges(gesture_marker_list& list, float min_gap, float max_gap);
// Appends three or four pose-change points after the speech (or after the list's last gesture).
gesture_marker_list AddTrailingPoseGestures(gesture_marker_list list, int duration_ms, int min_step, int max_step);
// The generation without a character template.
gesture_marker_list GenerateGesturesWithoutTemplate(const app_sync_results& track, bool with_anim_tags);
// Keeps generated gestures on the recording [0, duration_ms]: those starting after its end go
// (a span starting at the end too), and one running past the end (or a tween step of it) ends
// there. A duration of 0 or less (no
// recording) leaves the list alone.
void KeepGesturesWithinRecording(gesture_marker_list& list, int duration_ms);
