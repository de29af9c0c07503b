// Phoneme envelopes: one weight curve per code, built from the articulation keys, each rising from
// 0 over one key before its first key and falling back to 0 over one key after its last.
#include "engine/articulation/phoneme_mixture_articulator.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "model/phn_env_marker.h"
#include "model/phoneme_codes.h"

void CPhonemeMixtureArticulator::ClearEnvelopes() {
    envelopes_.clear();
    envelopePoints_.clear();
}

void CPhonemeMixtureArticulator::BuildEnvelopes() { MakeEnvelopes(true); }

EnvelopeRecord* CPhonemeMixtureArticulator::EnvelopesBegin() {
    return envelopes_.empty() ? nullptr : envelopes_.data();
}

EnvelopeRecord* CPhonemeMixtureArticulator::EnvelopesEnd() {
    return envelopes_.empty() ? nullptr : envelopes_.data() + envelopes_.size();
}

int CPhonemeMixtureArticulator::MakeEnvelopes(bool merge) {
    ClearEnvelopes();
    std::map<std::string, phn_env_marker> open;
    std::vector<phn_env_marker> closed;
    int32_t prevEnd = 0;
    int32_t prevDuration = 0;

    for (const ArticulationKey& key : keys_) {
        const int count = std::clamp<int>(key.count, 0, ArticulationKey::kMaxPairs);
        for (int i = 0; i < count; ++i) {
            const ArticulationPair& pair = key.pairs[i];
            std::string code(pair.code, strnlen(pair.code, sizeof pair.code));
            auto it = open.find(code);
            if (it != open.end()) {
                phn_env_marker& env = it->second;
                if (merge && env.points.back().value == pair.weight) {
                    env.points.back().time = key.end;
                } else {
                    env.points.emplace_back(key.start, key.end, pair.weight);
                }
                env.end = key.end;
            } else {
                phn_env_marker env(key.start, key.end, code.c_str());
                env.points.emplace_back(key.start, key.end, pair.weight);
                open.emplace(std::move(code), std::move(env));
            }
        }
        // A code this key does not show has ended: it falls to 0 over this key and gets a rise
        // from 0 over one key before its start (never before time 0).
        for (auto it = open.begin(); it != open.end();) {
            phn_env_marker& env = it->second;
            if (env.end == key.end) {
                ++it;
                continue;
            }
            env.points.emplace_back(prevEnd, key.end, 0.0f);
            env.end = key.end;
            const int32_t newStart = std::max(env.start - prevDuration, 0);
            if (newStart < env.start) env.points.insert(env.points.begin(), envelope_point(newStart, env.start, 0.0f));
            env.start = newStart;
            closed.push_back(std::move(env));
            it = open.erase(it);
        }
        prevEnd = key.end;
        prevDuration = key.end - key.start;
    }
    // Codes still showing at the last key fall to 0 over one more key's length.
    for (auto& [code, env] : open) {
        env.points.emplace_back(prevEnd, prevEnd + prevDuration, 0.0f);
        env.end = prevEnd + prevDuration;
        env.points.insert(env.points.begin(), envelope_point(env.start - prevDuration, env.start, 0.0f));
        env.start -= prevDuration;
        closed.push_back(std::move(env));
    }

    std::stable_sort(closed.begin(), closed.end(),
                     [](const phn_env_marker& a, const phn_env_marker& b) { return a.start < b.start; });

    envelopes_.reserve(closed.size());
    envelopePoints_.reserve(closed.size());
    for (const phn_env_marker& env : closed) {
        EnvelopeRecord record{};
        copy_phoneme_code(record.label, env.label.c_str());
        record.start = env.start;
        record.end = env.end;
        record.count = static_cast<int32_t>(env.points.size());
        auto points = std::make_unique<envelope_point[]>(env.points.size());
        std::copy(env.points.begin(), env.points.end(), points.get());
        record.points = points.get();
        envelopePoints_.push_back(std::move(points));
        envelopes_.push_back(record);
    }
    return 0;
}
