// Phoneme edges and the rescaling of their energy sub-markers.
#include "model/phn_marker.h"

#include <algorithm>

void phn_marker::set_start(int t) {
    double old_length = static_cast<double>(end) - start;
    start = t;
    if (old_length == 0.0) return;
    rescale_energy(static_cast<float>((static_cast<double>(end) - t) / old_length));
}

void phn_marker::set_end(int t) {
    double old_length = static_cast<double>(end) - start;
    end = t;
    if (old_length == 0.0) return;
    rescale_energy(static_cast<float>((static_cast<double>(t) - start) / old_length));
}

void phn_marker::add_energy(float v, int s, int e) { energy.emplace_back(s, e, nullptr, v); }

void phn_marker::rescale_energy(float factor) {
    if (energy.empty()) return;
    int t = start;
    for (marker_base& sub : energy) {
        int n = static_cast<int>(static_cast<float>(sub.end - sub.start) * factor);
        sub.set_start(t);
        sub.set_end(t + n);
        t = sub.end;
    }
    energy.front().set_start(start);
    energy.back().set_end(end);
    energy.erase(std::remove_if(energy.begin(), energy.end(), [](const marker_base& m) { return m.end - m.start <= 0; }),
                 energy.end());
}
