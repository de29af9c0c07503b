// The gesture section of the results file; see zuvo_anim.h.
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>

#include "flash/zuvo_anim.h"

namespace {

constexpr size_t kMaxNamesText = 2047;

std::string Trim(const std::string& s) {
    const char* blanks = " \t\r\n\f\v";
    const size_t first = s.find_first_not_of(blanks);
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

// "gesture|pose" as the file stores the two names.
std::string Names(const std::string& gesture, const std::string& pose) { return gesture + "|" + pose; }

}  // namespace

void FZuvoAnim::write_gesture_section(std::ostream& out) const {
    if (frame_rate_ > 0) out << "frame_rate " << frame_rate_ << '\n' << std::flush;
    for (const FGesture& g : gestures_) {
        if (g.tweens.empty()) {
            out << "gesture " << g.start << ' ' << g.end << ' ' << g.type << " 0 " << Names(g.gesture_name, g.pose_name)
                << '\n'
                << std::flush;
            continue;
        }
        for (const tween_gesture_marker& step : g.tweens) {
            out << "tween " << step.start << ' ' << step.end << ' ' << FGesture::kTween << ' ' << step.extra << ' '
                << Names(step.gesture_name, step.pose_name) << '\n'
                << std::flush;
        }
        out << "tween_end " << g.start << ' ' << g.end << ' ' << g.type << " 0 " << Names(g.gesture_name, g.pose_name)
            << '\n'
            << std::flush;
    }
}

bool FZuvoAnim::read_gesture_section(std::istream& in, std::ostream& errors) {
    std::vector<tween_gesture_marker> pending;
    auto fail = [&](int line, const std::string& what) {
        errors << "Error: Line[" << line << "]: " << what << '\n' << std::flush;
        return false;
    };
    // start end type value names; the value column is not kept.
    auto parse = [&](FGesture& g, uint32_t& value_column) {
        long long start = 0, end = 0, type = 0, value = 0;
        if (!(in >> start >> end >> type >> value)) return false;
        if (start < INT32_MIN || start > INT32_MAX || end < INT32_MIN || end > INT32_MAX || type < 0 ||
            type > UINT32_MAX || value < INT32_MIN || value > UINT32_MAX)
            return false;
        std::string rest;
        std::getline(in, rest);
        if (rest.size() > kMaxNamesText) rest.resize(kMaxNamesText);
        rest = Trim(rest);
        const size_t bar = rest.find('|');
        g.gesture_name = rest.substr(0, bar);
        g.pose_name = bar == std::string::npos ? std::string() : rest.substr(bar + 1);
        g.start = static_cast<int32_t>(start);
        g.end = static_cast<int32_t>(end);
        g.type = static_cast<uint32_t>(type);
        value_column = static_cast<uint32_t>(value);
        if ((!g.gesture_name.empty() || !g.pose_name.empty()) && character_)
            g.clip_index = character_->find_gesture(g.pose_name, g.gesture_name);
        g.update_label();
        return true;
    };
    for (int line = 1;; ++line) {
        std::string word;
        if (!(in >> word)) return true;
        FGesture g;
        uint32_t value_column = 0;
        if (word == "gesture" || word == "tween_end" || word == "tween") {
            if (!parse(g, value_column)) {
                in.clear();
                return fail(line, "damaged '" + word + "' record");
            }
            if (word == "tween") {
                pending.emplace_back(g, value_column);
                continue;
            }
            if (word == "tween_end") {
                g.tweens = std::move(pending);
                pending.clear();
            }
            gestures_.push_back(std::move(g));
        } else if (word == "frame_rate") {
            int rate = 0;
            if (!(in >> rate)) {
                in.clear();
                return fail(line, "damaged 'frame_rate' record");
            }
            frame_rate_ = rate;
        } else {
            // Words come without white space; an empty one ends the section quietly.
            if (word.empty()) return true;
            fail(line, "unrecognized marker '" + word + "'");
            std::string skipped;
            std::getline(in, skipped);
            return false;
        }
    }
}
