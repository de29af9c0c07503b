// Helpers shared by the articulator tests: tracks written as tables, keys and frames as maps.
#pragma once

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "engine/articulation/frame_mixture.h"
#include "model/articulation_key.h"
#include "model/phn_marker.h"

struct TestPhoneme {
    const char* code;
    int start;
    int end;
    float value;
};

inline std::vector<phn_marker> MakeTrack(std::initializer_list<TestPhoneme> phonemes) {
    std::vector<phn_marker> track;
    for (const TestPhoneme& p : phonemes) track.emplace_back(p.start, p.end, p.code, p.value);
    return track;
}

inline std::map<std::string, float> PairsOf(const ArticulationKey& key) {
    std::map<std::string, float> pairs;
    for (int i = 0; i < key.count; ++i) pairs[key.pairs[i].code] = key.pairs[i].weight;
    return pairs;
}

inline std::map<std::string, float> WeightsOf(const FrameMixture& mixture) {
    std::map<std::string, float> weights;
    for (const FrameMixture::Entry& e : mixture.entries()) weights[MixtureCodeText(e.code)] = e.weight;
    return weights;
}

inline FrameMixture MixtureOf(std::initializer_list<std::pair<const char*, float>> weights) {
    FrameMixture mixture;
    for (const auto& [code, weight] : weights) mixture.set(PackMixtureCode(code), weight);
    return mixture;
}

inline ArticulationKey KeyOf(int start, int end, std::initializer_list<std::pair<const char*, float>> pairs) {
    return MakeArticulationKey(MixtureOf(pairs), start, end);
}
