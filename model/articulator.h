// The articulator interface: turns a track of timed phonemes into articulation keys (weighted
// phoneme mixtures on a frame grid) and phoneme envelopes. Used by the document.
#pragma once

#include <cstdint>

#include "model/envelope_record.h"
#include "model/articulation_key.h"

class ISyncResultsCollection;

// Flags bit 0: smooth the frame mixtures (closures and slope-limited envelopes) when a whole
// track is generated.
constexpr uint32_t kArticulatorSmoothing = 1;

// Called on the user-interface thread only; no lock.
class IArticulator {
public:
    virtual ~IArticulator() = default;

    // Replaces the rules by those of a rules text; 0, 2 (null text), 3 (unusable frame rate),
    // 12 (unreadable text or closed list) or 21 (newer version). Rules read before an error stay.
    virtual int LoadArticulatorRules(const char* text, int length) = 0;
    // Sets the frame rate and makes it override the rules' "framerate" at every generation. A rate
    // of 0 or below (or one giving frames under a millisecond) is refused with 3 and changes
    // nothing.
    virtual int SetFrameRate(float framesPerSecond) = 0;
    virtual void SetSlopeLimit(float limit) = 0;
    // Largest number of codes in one frame: 3 outside 1..10.
    virtual int SetLevel(int level) = 0;
    // Keys for the phonemes of the collection; start and end (both not -1) limit the frames to
    // the range widened by the rules' reach, and then no smoothing is done. 0, 2 for a null
    // collection, or the load error of the built-in rules when no rules were loaded and those do
    // not load (then there are no keys).
    virtual int GenerateArticulations2(ISyncResultsCollection* collection, int option, int start, int end) = 0;
    virtual int GenerateArticulations(ISyncResultsCollection* collection, int option) = 0;
    // The keys of the last generation; both null when there are none. Valid until the next
    // operation that rebuilds them.
    virtual ArticulationKey* KeysBegin() = 0;
    virtual ArticulationKey* KeysEnd() = 0;
    virtual void AppendKey(const ArticulationKey& key, bool clear) = 0;
    // Deletes the object.
    virtual void Destroy() = 0;
    virtual int SetFlags(uint32_t flags) = 0;
    // Envelope records from the current keys, equal weights of neighbouring keys merged.
    virtual void BuildEnvelopes() = 0;
    virtual EnvelopeRecord* EnvelopesBegin() = 0;
    virtual EnvelopeRecord* EnvelopesEnd() = 0;
    // One key summing the keys that start in [start, end) (-1: open), weighted towards the middle
    // of the range; null when the range holds no key. The result is overwritten by the next call.
    virtual ArticulationKey* Quanitze(int start, int end, int maxCount) = 0;
};
