// Boundary errors and phone error rates of alignments against references.
#include "tools/evaluate/alignment_metrics.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "engine/util/string_utils.h"

std::vector<int> AlignSequences(const std::vector<std::string>& ref,
                                const std::vector<std::string>& hyp) {
    const size_t n = ref.size();
    const size_t m = hyp.size();
    // cost[i][j]: edit distance of ref[0..i) and hyp[0..j).
    std::vector<int> cost((n + 1) * (m + 1));
    auto at = [&](size_t i, size_t j) -> int& { return cost[i * (m + 1) + j]; };
    for (size_t i = 0; i <= n; ++i) at(i, 0) = static_cast<int>(i);
    for (size_t j = 0; j <= m; ++j) at(0, j) = static_cast<int>(j);
    for (size_t i = 1; i <= n; ++i) {
        for (size_t j = 1; j <= m; ++j) {
            const int sub = at(i - 1, j - 1) + (ref[i - 1] == hyp[j - 1] ? 0 : 1);
            at(i, j) = std::min({sub, at(i - 1, j) + 1, at(i, j - 1) + 1});
        }
    }
    std::vector<int> out(n, -1);
    size_t i = n;
    size_t j = m;
    while (i > 0 && j > 0) {
        const int here = at(i, j);
        if (here == at(i - 1, j - 1) + (ref[i - 1] == hyp[j - 1] ? 0 : 1)) {
            out[i - 1] = static_cast<int>(j - 1);
            --i;
            --j;
        } else if (here == at(i - 1, j) + 1) {
            --i;
        } else {
            --j;
        }
    }
    return out;
}

std::vector<TimedLabel> MergeRepeats(const std::vector<TimedLabel>& items) {
    std::vector<TimedLabel> out;
    for (const TimedLabel& t : items) {
        if (!out.empty() && out.back().label == t.label) {
            out.back().end = std::max(out.back().end, t.end);
        } else {
            out.push_back(t);
        }
    }
    return out;
}

namespace {

std::vector<std::string> Labels(const std::vector<TimedLabel>& items, bool lowerCase) {
    std::vector<std::string> out;
    out.reserve(items.size());
    for (const TimedLabel& t : items) {
        std::string s = t.label;
        if (lowerCase) ToLowerInPlace(s);
        out.push_back(s);
    }
    return out;
}

double NearestDistance(double t, const std::vector<double>& points) {
    double best = std::numeric_limits<double>::infinity();
    for (double p : points) best = std::min(best, std::fabs(p - t));
    return best;
}

}  // namespace

std::vector<double> PhoneBoundaryErrors(const std::vector<TimedLabel>& refIn,
                                        const std::vector<TimedLabel>& hypIn) {
    const std::vector<TimedLabel> ref = MergeRepeats(refIn);
    const std::vector<TimedLabel> hyp = MergeRepeats(hypIn);
    std::vector<double> errors;
    if (ref.size() < 2) return errors;
    const std::vector<int> map = AlignSequences(Labels(ref, false), Labels(hyp, false));
    std::vector<double> hypBoundaries;
    for (size_t j = 1; j < hyp.size(); ++j) hypBoundaries.push_back(hyp[j].start);
    for (size_t i = 0; i + 1 < ref.size(); ++i) {
        const double truth = ref[i + 1].start;
        double guess;
        // Index 0 starts at the file's start, which is no boundary.
        if (map[i + 1] > 0) {
            guess = hyp[map[i + 1]].start;
        } else if (map[i] >= 0 && map[i] + 1 < static_cast<int>(hyp.size())) {
            guess = hyp[map[i]].end;
        } else if (!hypBoundaries.empty()) {
            errors.push_back(NearestDistance(truth, hypBoundaries));
            continue;
        } else {
            // A hypothesis of one phone has no boundary at all: measure against the file's edge.
            guess = hyp.empty() ? 0.0 : hyp.front().start;
        }
        errors.push_back(std::fabs(truth - guess));
    }
    return errors;
}

std::vector<double> WordBoundaryErrors(const std::vector<TimedLabel>& ref,
                                       const std::vector<TimedLabel>& hyp) {
    std::vector<double> errors;
    const std::vector<int> map = AlignSequences(Labels(ref, true), Labels(hyp, true));
    std::vector<double> edges;
    for (const TimedLabel& h : hyp) {
        edges.push_back(h.start);
        edges.push_back(h.end);
    }
    for (size_t i = 0; i < ref.size(); ++i) {
        if (map[i] >= 0) {
            errors.push_back(std::fabs(ref[i].start - hyp[map[i]].start));
            errors.push_back(std::fabs(ref[i].end - hyp[map[i]].end));
        } else if (!edges.empty()) {
            errors.push_back(NearestDistance(ref[i].start, edges));
            errors.push_back(NearestDistance(ref[i].end, edges));
        } else {
            errors.push_back(std::numeric_limits<double>::infinity());
            errors.push_back(std::numeric_limits<double>::infinity());
        }
    }
    return errors;
}

EditCounts& EditCounts::operator+=(const EditCounts& o) {
    substitutions += o.substitutions;
    deletions += o.deletions;
    insertions += o.insertions;
    referenceLength += o.referenceLength;
    return *this;
}

double EditCounts::ErrorRate() const {
    if (referenceLength == 0) return 0.0;
    return static_cast<double>(substitutions + deletions + insertions) / referenceLength;
}

EditCounts PhoneErrors(const std::vector<TimedLabel>& refIn, const std::vector<TimedLabel>& hypIn,
                       const std::string& silence) {
    auto speech = [&](const std::vector<TimedLabel>& items) {
        std::vector<TimedLabel> kept;
        for (const TimedLabel& t : MergeRepeats(items)) {
            if (t.label != silence) kept.push_back(t);
        }
        return Labels(kept, false);
    };
    const std::vector<std::string> ref = speech(refIn);
    const std::vector<std::string> hyp = speech(hypIn);
    const std::vector<int> map = AlignSequences(ref, hyp);
    EditCounts c;
    c.referenceLength = static_cast<int>(ref.size());
    int matched = 0;
    for (size_t i = 0; i < ref.size(); ++i) {
        if (map[i] < 0) {
            ++c.deletions;
        } else {
            ++matched;
            if (ref[i] != hyp[map[i]]) ++c.substitutions;
        }
    }
    c.insertions = static_cast<int>(hyp.size()) - matched;
    return c;
}

ErrorSummary Summarise(std::vector<double> errors) {
    ErrorSummary s;
    s.count = errors.size();
    if (errors.empty()) return s;
    double sum = 0.0;
    size_t in10 = 0, in20 = 0, in50 = 0;
    for (double e : errors) {
        sum += e;
        in10 += e <= 10.0;
        in20 += e <= 20.0;
        in50 += e <= 50.0;
    }
    const double n = static_cast<double>(errors.size());
    s.within10 = in10 / n;
    s.within20 = in20 / n;
    s.within50 = in50 / n;
    s.mean = sum / n;
    std::sort(errors.begin(), errors.end());
    const size_t mid = errors.size() / 2;
    s.median = errors.size() % 2 ? errors[mid] : 0.5 * (errors[mid - 1] + errors[mid]);
    return s;
}
