// Measures of an alignment against a reference: boundary errors of phones and words, and the
// phone error rate of a recognised phone string. Used by the evaluation tool and the trainer's
// held-out checks.
#pragma once

#include <string>
#include <vector>

struct TimedLabel {
    int start = 0;  // ms
    int end = 0;    // ms
    std::string label;
};

// Where each reference item went in the hypothesis: hyp index, or -1 when it was deleted.
// A minimum edit-distance alignment of the label sequences (labels compared exactly).
std::vector<int> AlignSequences(const std::vector<std::string>& ref,
                                const std::vector<std::string>& hyp);

// Consecutive items with the same label become one (a silence split in two is one silence).
std::vector<TimedLabel> MergeRepeats(const std::vector<TimedLabel>& items);

// One absolute error (ms) per boundary between consecutive reference phones. The hypothesis
// boundary is the start of the hypothesis phone that the later reference phone aligned to, else
// the end of the one the earlier phone aligned to, else the nearest hypothesis boundary; so every
// reference boundary counts, also where the two phone strings differ.
std::vector<double> PhoneBoundaryErrors(const std::vector<TimedLabel>& ref,
                                        const std::vector<TimedLabel>& hyp);

// One absolute error (ms) per word start and per word end of the reference. Words are matched by
// their text without regard to case; a reference word that found no partner is measured against
// the nearest hypothesis word edge.
std::vector<double> WordBoundaryErrors(const std::vector<TimedLabel>& ref,
                                       const std::vector<TimedLabel>& hyp);

struct EditCounts {
    int substitutions = 0;
    int deletions = 0;
    int insertions = 0;
    int referenceLength = 0;
    EditCounts& operator+=(const EditCounts& o);
    double ErrorRate() const;  // (S + D + I) / N; 0 for an empty reference
};

// Edit counts of the hypothesis phone string against the reference, with repeats merged and the
// silence label left out of both.
EditCounts PhoneErrors(const std::vector<TimedLabel>& ref, const std::vector<TimedLabel>& hyp,
                       const std::string& silence = "x");

struct ErrorSummary {
    size_t count = 0;
    double within10 = 0.0;  // shares, 0 to 1
    double within20 = 0.0;
    double within50 = 0.0;
    double mean = 0.0;
    double median = 0.0;
};

ErrorSummary Summarise(std::vector<double> errors);
