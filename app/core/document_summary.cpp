// The document frame's summary text.
#include "app/core/document_summary.h"

#include <algorithm>
#include <cstdio>

#include "app/core/phonarc_doc.h"
#include "engine/audio/memory_pcm_stream.h"

namespace {
template <class L>
void Extend(const L& list, int* lo, int* hi) {
    int a = 0, b = 0;
    if (list.empty()) return;
    get_list_extent(list, &a, &b);
    *lo = std::min(*lo, a);
    *hi = std::max(*hi, b);
}
}  // namespace

std::string TrackSummary(const app_sync_results& t) {
    int lo = kEmptyExtentMin, hi = kEmptyExtentMax;
    Extend(t.phonemes, &lo, &hi);
    Extend(t.words, &lo, &hi);
    Extend(t.punctuation, &lo, &hi);
    Extend(t.xml_events, &lo, &hi);
    Extend(t.gestures, &lo, &hi);
    Extend(t.articulation, &lo, &hi);
    if (hi < lo) return "empty";
    char text[256];
    std::snprintf(text, sizeof text,
                  "%zu phonemes, %zu words, %zu punctuation, %zu events, %zu gestures, %zu articulation keys; %d-%d ms",
                  t.phonemes.size(), t.words.size(), t.punctuation.size(), t.xml_events.size(), t.gestures.size(),
                  t.articulation.size(), lo, hi);
    return text;
}

std::string DocumentSummary(CPhonarcDoc& doc) {
    std::string out = "Audio: " + doc.results_file().audio_path;
    if (CMemoryPCMStream* audio = doc.audio()) {
        char len[64];
        std::snprintf(len, sizeof len, " (%.2f s)", audio->FramesToMs(audio->GetFrameCount()) / 1000.0);
        out += len;
    }
    out += "\nScript: " + std::to_string(doc.results_file().script_text.size()) + " bytes\n";
    static const char* const kNames[3] = {"Reference", "Recognition", "Second channel"};
    for (int i = 0; i < 3; ++i) out += std::string(kNames[i]) + " track: " + TrackSummary(doc.track(i)) + "\n";
    return out;
}
