// A short text about an open document (recording length, script size, and per track the marker
// counts and their extent): the document frame's SummaryText, which the tests read.
#pragma once

#include <string>

class CPhonarcDoc;
class app_sync_results;

// "12 phonemes, 3 words, 0 punctuation, 0 events, 0 gestures, 40 articulation keys; 0-2010 ms",
// or "empty".
std::string TrackSummary(const app_sync_results& track);
// Several lines: the audio, the script and the three tracks.
std::string DocumentSummary(CPhonarcDoc& doc);
