// One utterance through the engine's recognisers, the way the application runs them, and
// alignments read from results files; shared by the corpus tools and the built-in model checks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/evaluate/alignment_metrics.h"

class CConcreteSyncMarkerCollection;

struct RecognitionSettings {
    std::vector<uint8_t> modelImage;  // an acoustic model image
    std::string dictionary;           // pronunciation dictionary text (text-based alignment)
    std::string trigram;              // phone trigram text; empty = plain phone loop (textless)
};

// Phones and words of one alignment.
struct Alignment {
    std::vector<TimedLabel> phones;
    std::vector<TimedLabel> words;
};

// The built-in model of that name (resource type "BLAH"), the built-in dictionary text and the
// built-in phone trigram text; false when a resource is missing.
bool LoadBuiltInSettings(const char* modelName, RecognitionSettings* out);

// Aligns the audio file with text, or recognises it without text when text is empty. The
// recogniser's records are left in results; the return value is the recogniser's code (8, no
// complete path, still leaves records), or the code of the step that failed before it. Safe to
// call from several threads at once: every engine object is the call's own.
int RecogniseUtterance(const RecognitionSettings& settings, const std::string& wavPath,
                       const std::string& text, CConcreteSyncMarkerCollection* results);

// The phoneme and word records of a collection (its record access is not const).
Alignment AlignmentFromRecords(CConcreteSyncMarkerCollection& results);

// The "phn" and "word" records of a results file; false with a message when it does not read.
bool ReadAlignment(const std::string& path, Alignment* out, std::string* error);
