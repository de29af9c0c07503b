// A frame's blend of mouth shapes and the articulation key made from it.
#include "engine/articulation/frame_mixture.h"

#include <algorithm>
#include <cmath>
#include <cstring>

std::string MixtureCodeText(MixtureCode code) {
    std::string text;
    if (char hi = static_cast<char>(code >> 8)) text += hi;
    if (char lo = static_cast<char>(code & 0xff)) text += lo;
    return text;
}

namespace {

template <typename Entries>
auto* FindEntry(Entries& entries, MixtureCode code) {
    auto it = std::lower_bound(entries.begin(), entries.end(), code,
                               [](const FrameMixture::Entry& e, MixtureCode c) { return e.code < c; });
    return it != entries.end() && it->code == code ? &it->weight : nullptr;
}

}  // namespace

const float* FrameMixture::find(MixtureCode code) const { return FindEntry(entries_, code); }

float* FrameMixture::find(MixtureCode code) { return FindEntry(entries_, code); }

float FrameMixture::weight(MixtureCode code) const {
    const float* w = find(code);
    return w ? *w : 0.0f;
}

void FrameMixture::add(MixtureCode code, double amount) {
    auto it = std::lower_bound(entries_.begin(), entries_.end(), code,
                               [](const Entry& e, MixtureCode c) { return e.code < c; });
    if (it != entries_.end() && it->code == code) {
        it->weight = static_cast<float>(it->weight + amount);
    } else {
        entries_.insert(it, Entry{code, static_cast<float>(amount)});
    }
}

void FrameMixture::set(MixtureCode code, float value) {
    auto it = std::lower_bound(entries_.begin(), entries_.end(), code,
                               [](const Entry& e, MixtureCode c) { return e.code < c; });
    if (it != entries_.end() && it->code == code) {
        it->weight = value;
    } else {
        entries_.insert(it, Entry{code, value});
    }
}

void FrameMixture::normalise() {
    if (entries_.empty()) return;
    double sum = 0.0;
    for (const Entry& e : entries_) sum += e.weight;
    if (sum > 0.0 && std::isfinite(sum)) {
        for (Entry& e : entries_) e.weight = static_cast<float>(e.weight / sum);
        return;
    }
    for (Entry& e : entries_) e.weight = 0.0f;
    set(kRestCode, 1.0f);
}

bool FrameMixture::operator==(const FrameMixture& other) const {
    if (entries_.size() != other.entries_.size()) return false;
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].code != other.entries_[i].code || entries_[i].weight != other.entries_[i].weight)
            return false;
    }
    return true;
}

namespace {

// Whole hundredths of a weight; a weight that has none (not a number) ranks as 0.
int Hundredths(float weight) {
    float h = weight * 100.0f;
    if (!(h > -2.0e9f && h < 2.0e9f)) return h > 0.0f ? 2000000000 : (h < 0.0f ? -2000000000 : 0);
    return static_cast<int>(h);
}

}  // namespace

void SortKeyPairs(ArticulationPair* pairs, int count) {
    std::stable_sort(pairs, pairs + count, [](const ArticulationPair& a, const ArticulationPair& b) {
        return Hundredths(a.weight) > Hundredths(b.weight);
    });
}

ArticulationKey MakeArticulationKey(const FrameMixture& mixture, int start, int end) {
    ArticulationKey key;
    std::memset(&key, 0, sizeof key);
    key.start = start;
    key.end = end;
    for (const FrameMixture::Entry& e : mixture.entries()) {
        if (key.count >= ArticulationKey::kMaxPairs) break;
        if (!(e.weight > 0.0f)) continue;
        ArticulationPair& pair = key.pairs[key.count++];
        std::string code = MixtureCodeText(e.code);
        std::memcpy(pair.code, code.data(), code.size());
        pair.weight = e.weight;
    }
    if (key.count >= 2) SortKeyPairs(key.pairs, key.count);
    return key;
}
