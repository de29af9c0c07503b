// Feeding the articulator: from a results collection (made into a temporary track) or from a
// result track, into the frame loop and the smoothing that work on the track's phonemes.
#include <string>

#include "engine/api/error_messages.h"
#include "engine/api/sdk_log.h"
#include "engine/articulation/phoneme_mixture_articulator.h"
#include "model/app_sync_results.h"

int CPhonemeMixtureArticulator::GenerateArticulations2(ISyncResultsCollection* collection, int option, int start,
                                                       int end) {
    CFuncTrace trace("CPhonemeMixtureArticulator::GenerateArticulations2");
    if (collection == nullptr) return kErrInvalidArgument;
    app_sync_results track;
    track.import_sync_markers(collection, std::string(), false);
    return GenerateArticulationFromSyncResults(track, option, start, end);
}

int CPhonemeMixtureArticulator::GenerateArticulations(ISyncResultsCollection* collection, int option) {
    CFuncTrace trace("CPhonemeMixtureArticulator::GenerateArticulations");
    if (collection == nullptr) return kErrInvalidArgument;
    app_sync_results track;
    track.import_sync_markers(collection, std::string(), false);
    return GenerateArticulationFromSyncResults(track, option, -1, -1);
}

int CPhonemeMixtureArticulator::GenerateArticulationFromSyncResults(const app_sync_results& track, int option,
                                                                    int start, int end) {
    CFuncTrace trace("CPhonemeMixtureArticulator::GenerateArticulationFromSyncResults");
    return GenerateFromPhonemes(track.phonemes, start, end);
}

void CPhonemeMixtureArticulator::SmoothFrames(const app_sync_results& track) { SmoothFrames(track.phonemes); }

void CPhonemeMixtureArticulator::EnforceClosures(const app_sync_results& track, int frames) {
    EnforceClosures(track.phonemes, frames);
}

