// A frame's blend of mouth shapes: phoneme codes with weights, in bytewise code order. Made by
// the articulator's frame loop, reshaped by the smoothing and turned into articulation keys.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/articulation_key.h"

// A phoneme code of one or two characters packed so that comparing the numbers compares the
// codes bytewise ("A" < "AA" < "AB" < "B" < "x"). Codes longer than two characters are not
// representable; the articulator never makes them.
using MixtureCode = uint16_t;

constexpr MixtureCode PackMixtureCode(std::string_view code) {
    uint16_t hi = code.size() > 0 ? static_cast<unsigned char>(code[0]) : 0;
    uint16_t lo = code.size() > 1 ? static_cast<unsigned char>(code[1]) : 0;
    return static_cast<MixtureCode>(hi << 8 | lo);
}

// The rest position: receives whatever share of a frame its phonemes do not claim.
constexpr MixtureCode kRestCode = PackMixtureCode("x");

std::string MixtureCodeText(MixtureCode code);

// Frame arithmetic is done in float, the type of the frame length, so frame edges fall where
// 1000 / rate puts them (at 30 per second frame 3 starts at 100 ms, not 99).
inline int64_t FrameEdgeMs(int64_t frame, float frameMs) {
    return static_cast<int64_t>(static_cast<float>(frame) * frameMs);
}

// The frame whose middle is nearest to ms.
inline int64_t NearestFrame(int64_t ms, float frameMs) {
    return static_cast<int64_t>((static_cast<float>(ms) + frameMs / 2) / frameMs);
}

// An ordered map from code to weight, small enough that a sorted vector beats a tree.
class FrameMixture {
public:
    struct Entry {
        MixtureCode code;
        float weight;
    };

    bool empty() const { return entries_.empty(); }
    size_t size() const { return entries_.size(); }
    const std::vector<Entry>& entries() const { return entries_; }
    std::vector<Entry>& entries() { return entries_; }
    void clear() { entries_.clear(); }

    bool contains(MixtureCode code) const { return find(code) != nullptr; }
    const float* find(MixtureCode code) const;
    float* find(MixtureCode code);
    // The code's weight, 0 when absent.
    float weight(MixtureCode code) const;
    // Adds to the code's weight, inserting it at 0 first when absent.
    void add(MixtureCode code, double amount);
    // Sets the code's weight, inserting it when absent.
    void set(MixtureCode code, float value);
    void erase_at(size_t index) { entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index)); }

    // Divides every weight by their sum (summed in double). A frame whose weights sum to zero or
    // less has nothing to show: it becomes the rest position, x 1.0 with every other entry at 0.
    void normalise();

    bool operator==(const FrameMixture& other) const;

private:
    std::vector<Entry> entries_;
};

// The key for [start, end): the first ten entries in code order with a weight above 0, then sorted
// by whole hundredths of weight, largest first; equal hundredths keep code order so the same
// mixture always gives the same key.
ArticulationKey MakeArticulationKey(const FrameMixture& mixture, int start, int end);

// Sorts a key's pairs by whole hundredths of weight, largest first, keeping the given order among
// equals.
void SortKeyPairs(ArticulationPair* pairs, int count);
