// One utterance through the program's recognition run, the way the document runs it, and
// alignments read from results files; shared by the corpus tools and the built-in model checks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/core/recognition_run.h"
#include "tools/evaluate/alignment_metrics.h"

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

// The built-in model of that name, the built-in dictionary text and the
// built-in phone trigram text; false when a resource is missing.
bool LoadBuiltInSettings(const char* modelName, RecognitionSettings* out);

// Aligns the audio file with text, or recognises it without text when text is empty, through
// RunRecognition on the file held in memory as the document holds it. The records are left in
// result; the return value is the run's code (8, no complete path, still leaves records), or the
// code of the step that failed before it. Safe to call from several threads at once: every engine
// object is the call's own.
int RecogniseUtterance(const RecognitionSettings& settings, const std::string& wavPath,
                       const std::string& text, RecognitionResult* result);

// The phoneme and word records of a run.
Alignment AlignmentFromRecords(const std::vector<RecognitionRecord>& records);

// The "phn" and "word" records of a results file; false with a message when it does not read.
bool ReadAlignment(const std::string& path, Alignment* out, std::string* error);
