// Results file reader and writer, side by side.
#include "model/sync_results_file.h"

#include <cctype>
#include <climits>
#include <cstring>
#include <istream>
#include <ostream>

#include "engine/util/file_utils.h"
#include "engine/util/number_text.h"
#include "engine/util/string_utils.h"

namespace {

const char kScriptBegin[] = "%%-begin-zuvo-text-%%";
const char kScriptEnd[] = "%%-end-zuvo-text-%%";
// The reader ends the script at the first end mark anywhere in it, line ends included, so a script
// that holds the mark itself gets this character right after each copy of it; the reader takes a
// mark so followed as script text and drops the character. Nothing else in the script changes.
// '+' can't start a keyword, so an older file with it there failed to read and none that read
// cleanly is read differently.
const char kScriptEndContinued = '+';

// A phoneme or envelope label is one blank-delimited token of 1 or 2 characters, so an empty label
// (a sub-phoneme record with no phoneme before it gives one) can't be written as it is: the next
// token would be taken for it. It is written as this placeholder instead, which the reader turns
// back into an empty label. It is longer than the labels the reader takes, so no file that read
// cleanly before holds it.
const char kEmptyLabel[] = "<empty>";

// A line break inside a label or path would split its record and make the file unreadable.
std::string one_line(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

bool is_silence_label(const std::string& label) { return label.size() == 1 && (label[0] == 'x' || label[0] == 'X'); }

std::string lower_ascii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string trim(const std::string& text) { return TrimRight(TrimLeft(text)); }

std::string label_field(const std::string& label) { return label.empty() ? kEmptyLabel : label; }

std::string escape_script(const std::string& text) {
    const std::string mark = kScriptEnd;
    std::string out;
    size_t copied = 0;
    // Marks are found left to right without overlap, as the reader finds them.
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, copied)) {
        const size_t after = at + mark.size();
        out.append(text, copied, after - copied);
        out.push_back(kScriptEndContinued);
        copied = after;
    }
    out.append(text, copied, std::string::npos);
    return out;
}

// Reads the records of one file. Every failure reports one error line and makes the caller stop.
class record_reader {
public:
    record_reader(std::istream& in, std::ostream& errors) : in_(in), errors_(errors) {}

    void error(const std::string& message) {
        errors_ << "Error: Line[" << std::to_string(record_) << "]: " << message << '\n';
    }

    bool number(int& value) {
        if (in_ >> value) return true;
        error("Incorrect or missing number in '" + keyword_ + "' record");
        return false;
    }

    bool number(float& value) {
        if (in_ >> value) return true;
        error("Incorrect or missing number in '" + keyword_ + "' record");
        return false;
    }

    // A blank-delimited token; empty at the end of the stream. Longer than the field limit is an
    // error (the whole token is consumed).
    bool token(std::string& out) {
        out.clear();
        bool too_long = false;
        in_ >> std::ws;
        for (int c = in_.peek(); c != std::char_traits<char>::eof() && !std::isspace(c); c = in_.peek()) {
            in_.get();
            if (out.size() < sync_results_file::kMaxField)
                out.push_back(static_cast<char>(c));
            else
                too_long = true;
        }
        if (in_.eof() && !in_.bad()) in_.clear(std::ios::eofbit);  // a token at the very end is fine
        if (too_long) {
            error(keyword_.empty() ? std::string("Keyword longer than 2047 characters")
                                   : "Field longer than 2047 characters in '" + keyword_ + "' record");
            return false;
        }
        return true;
    }

    // The rest of the current line, without the line end.
    bool rest_of_line(std::string& out) {
        out.clear();
        bool too_long = false;
        for (int c = in_.get(); c != std::char_traits<char>::eof() && c != '\n'; c = in_.get()) {
            if (out.size() < sync_results_file::kMaxField)
                out.push_back(static_cast<char>(c));
            else
                too_long = true;
        }
        if (too_long) {
            error("Field longer than 2047 characters in '" + keyword_ + "' record");
            return false;
        }
        return true;
    }

    void skip_line() {
        for (int c = in_.get(); c != std::char_traits<char>::eof() && c != '\n'; c = in_.get()) {
        }
    }

    bool read_all(sync_results_file& file);

private:
    bool read_record(sync_results_file& file, bool& stop);

    std::istream& in_;
    std::ostream& errors_;
    int record_ = 1;
    std::string keyword_;
    long last_phoneme_ = -1;
};

bool record_reader::read_all(sync_results_file& file) {
    bool ok = true, stop = false;
    while (!stop && ok && in_.good()) {
        std::string raw;
        keyword_.clear();
        if (!token(raw)) {
            ok = false;
            break;
        }
        keyword_ = raw;
        ok = read_record(file, stop);
        ++record_;
    }
    return ok;
}

bool record_reader::read_record(sync_results_file& file, bool& stop) {
    app_sync_results& track = file.results;
    const std::string kw = lower_ascii(keyword_);

    if (kw == "phn_vis") {
        ArticulationKey key{};
        if (!number(key.start) || !number(key.end) || !number(key.count)) return false;
        if (key.count < 0 || key.count > ArticulationKey::kMaxPairs) {
            error("Articulation count " + std::to_string(key.count) + " is not between 0 and 10");
            return false;
        }
        for (int i = 0; i < key.count; ++i) {
            std::string code;
            if (!token(code)) return false;
            if (code.empty() || code.size() >= sizeof key.pairs[i].code) {
                error("Incorrect or empty phoneme code '" + code + "'");
                return false;
            }
            std::memcpy(key.pairs[i].code, code.c_str(), code.size() + 1);
            if (!number(key.pairs[i].weight)) return false;
        }
        track.articulation.emplace_back(key);
        return true;
    }
    if (kw == "phn_env") {
        phn_env_marker env;
        env.value = 0.0f;
        std::string label;
        if (!number(env.start) || !number(env.end) || !token(label)) return false;
        if (label == kEmptyLabel) {
            label.clear();
        } else if (label.empty() || label.size() > 2) {
            error("Incorrect or empty phoneme label '" + label + "'");
            track.envelope.push_back(env);
            return false;
        }
        env.set_label(label.c_str());
        int n;
        if (!number(n)) return false;
        if (n < 0) {
            error("Envelope point count " + std::to_string(n) + " is negative");
            return false;
        }
        // Points are added as they are read, so a huge count stops at the end of the data.
        for (int i = 0; i < n; ++i) {
            int time;
            float value;
            if (!number(time) || !number(value)) return false;
            env.points.emplace_back(env.start, time, value);
        }
        track.envelope.push_back(env);
        return true;
    }
    if (kw == "phn") {
        phn_marker p;
        std::string label;
        if (!number(p.start) || !number(p.end) || !number(p.value) || !token(label)) return false;
        const bool good_label = label == kEmptyLabel || (!label.empty() && label.size() <= 2);
        if (good_label && label != kEmptyLabel) p.set_label(label.c_str());
        track.phonemes.push_back(p);
        last_phoneme_ = static_cast<long>(track.phonemes.size()) - 1;
        if (!good_label) {
            error("Incorrect or empty phoneme label '" + label + "'");
            return false;
        }
        return true;
    }
    if (kw == "energy") {
        int start, end;
        float value;
        if (!number(start) || !number(end) || !number(value)) return false;
        if (last_phoneme_ >= 0 && last_phoneme_ < static_cast<long>(track.phonemes.size()))
            track.phonemes[last_phoneme_].add_energy(value, start, end);
        return true;
    }
    if (kw == "word" || kw == "punct" || kw == "xml") {
        int start, end;
        std::string text;
        if (!number(start) || !number(end) || !rest_of_line(text)) return false;
        og_marker m(start, end, trim(text));
        if (kw == "word")
            track.words.push_back(m);
        else if (kw == "punct")
            track.punctuation.push_back(m);
        else
            track.xml_events.push_back(m);
        return true;
    }
    if (kw == "gest") {
        FGesture g;
        int type;
        std::string text;
        if (!number(g.start) || !number(g.end) || !number(type) || !rest_of_line(text)) return false;
        g.type = static_cast<uint32_t>(type);
        text = trim(text);
        size_t bar = text.find('|');
        if (bar == std::string::npos) {
            g.gesture_name = text;
        } else {
            g.gesture_name = text.substr(0, bar);
            g.pose_name = text.substr(bar + 1);
        }
        g.update_label();
        track.gestures.push_back(g);
        return true;
    }
    if (kw == "audio" || kw == "text_file") {
        std::string text;
        if (!rest_of_line(text)) return false;
        (kw == "audio" ? file.audio_path : file.text_file_path) = trim(text);
        return true;
    }
    if (kw == lower_ascii(kScriptBegin)) {
        in_.get();  // the blank after the keyword
        std::string text;
        for (;;) {
            bool found = false;
            text += ReadUntilDelimiter(in_, kScriptEnd, &found);
            if (!found) {
                error("Script Text is not correctly delimited in zuvo file");
                return false;
            }
            if (in_.peek() != kScriptEndContinued) break;
            in_.get();
            text += kScriptEnd;  // a mark inside the script
        }
        file.script_text = TrimRight(text);
        return true;
    }
    if (kw == "version") {
        if (!number(file.version)) return false;
        if (file.version > sync_results_file::kVersion) {
            errors_ << "Error: Line[1]: zuvo file version newer than this program can handle\n";
            return false;
        }
        return true;
    }
    if (kw == "end_markers") {
        stop = true;
        return true;
    }
    std::string trimmed = TrimRight(keyword_);
    if (trimmed.empty()) return true;
    error("unrecognized marker '" + trimmed + "'");
    skip_line();
    return false;
}

// ---- writer ----

// Phoneme and energy values are stored as whole numbers. A value read from a damaged file may be
// beyond int or NaN, and converting those is undefined: they saturate (NaN gives 0).
int whole_value(float value) {
    if (!(value == value)) return 0;
    if (value >= 2147483647.0f) return INT_MAX;
    if (value <= -2147483648.0f) return INT_MIN;
    return static_cast<int>(value);
}

void write_phoneme(std::ostream& out, const phn_marker& p) {
    out << "phn " << p.start << ' ' << p.end << ' ' << whole_value(p.value) << ' ' << label_field(p.label) << '\n';
    for (const marker_base& e : p.energy)
        out << "energy " << e.start << ' ' << e.end << ' ' << whole_value(e.value) << '\n';
}

void write_text_marker(std::ostream& out, const char* keyword, const og_marker& m) {
    out << keyword << ' ' << m.start << ' ' << m.end << ' ' << one_line(m.label) << '\n';
}

void write_gesture(std::ostream& out, const FGesture& g) {
    out << "gest " << g.start << ' ' << g.end << ' ' << g.type << ' ' << one_line(g.gesture_name) << '|'
        << one_line(g.pose_name) << '\n';
}

void write_key(std::ostream& out, const art_marker& a) {
    int count = std::clamp(static_cast<int>(a.key.count), 0, ArticulationKey::kMaxPairs);
    out << "phn_vis " << a.start << ' ' << a.end << ' ' << count;
    for (int i = 0; i < count; ++i) {
        const ArticulationPair& pair = a.key.pairs[i];
        out << ' ' << std::string(pair.code, strnlen(pair.code, sizeof pair.code)) << ' ' << pair.weight;
    }
    out << '\n';
}

void write_envelope(std::ostream& out, const phn_env_marker& e) {
    out << "phn_env " << e.start << ' ' << e.end << ' ' << label_field(e.label) << ' ' << e.points.size();
    for (const envelope_point& p : e.points) out << ' ' << p.time << ' ' << p.value;
    out << '\n';
}

}  // namespace

bool sync_results_file::read(std::istream& in, std::ostream& errors) {
    // Numbers are read with '.' and without grouping whatever locale the stream has.
    ClassicNumbersScope classic(in);
    record_reader reader(in, errors);
    return reader.read_all(*this);
}

void sync_results_file::write(std::ostream& out, int /*unused*/, uint32_t flags) {
    // Numbers are written as readers everywhere take them, whatever locale the stream has.
    ClassicNumbersScope classic(out);
    if (flags & kWriteHeader) {
        out << "version " << 1.2 << '\n';
        if (!audio_path.empty()) out << "audio " << one_line(audio_path) << '\n';
        if (!text_file_path.empty()) out << "text_file " << one_line(text_file_path) << '\n';
    }

    // One cursor per list; a list whose flag is clear starts exhausted. Candidates are compared in
    // this order, each taking the turn on an equal start (gestures only on a smaller one), so at
    // equal starts the output runs envelope, key, XML, punctuation, word, phoneme, gesture.
    enum { kPhn, kWord, kPunct, kGest, kXml, kArt, kEnv, kKinds };
    const app_sync_results& t = results;
    const size_t sizes[kKinds] = {
        (flags & kWritePhonemes) ? t.phonemes.size() : 0,   (flags & kWriteWords) ? t.words.size() : 0,
        (flags & kWritePunctuation) ? t.punctuation.size() : 0, (flags & kWriteGestures) ? t.gestures.size() : 0,
        (flags & kWriteXml) ? t.xml_events.size() : 0,      (flags & kWriteArticulation) ? t.articulation.size() : 0,
        (flags & kWriteEnvelopes) ? t.envelope.size() : 0,
    };
    size_t cursor[kKinds] = {};
    auto start_of = [&](int kind) -> int {
        size_t i = cursor[kind];
        switch (kind) {
            case kPhn: return t.phonemes[i].start;
            case kWord: return t.words[i].start;
            case kPunct: return t.punctuation[i].start;
            case kGest: return t.gestures[i].start;
            case kXml: return t.xml_events[i].start;
            case kArt: return t.articulation[i].start;
            default: return t.envelope[i].start;
        }
    };
    for (;;) {
        int chosen = -1;
        int smallest = INT_MAX;
        for (int kind = 0; kind < kKinds; ++kind) {
            if (cursor[kind] >= sizes[kind]) continue;
            int s = start_of(kind);
            bool takes_turn = kind == kGest ? s < smallest : s <= smallest;
            if (takes_turn || chosen < 0) {
                chosen = kind;
                smallest = s;
            }
        }
        if (chosen < 0) break;
        size_t i = cursor[chosen]++;
        switch (chosen) {
            case kPhn: write_phoneme(out, t.phonemes[i]); break;
            case kWord: write_text_marker(out, "word", t.words[i]); break;
            case kPunct: write_text_marker(out, "punct", t.punctuation[i]); break;
            case kGest: write_gesture(out, t.gestures[i]); break;
            case kXml: write_text_marker(out, "xml", t.xml_events[i]); break;
            case kArt: write_key(out, t.articulation[i]); break;
            default:
                if ((flags & kWriteSilenceEnvelopes) || !is_silence_label(t.envelope[i].label))
                    write_envelope(out, t.envelope[i]);
                break;
        }
    }

    if ((flags & kWriteScript) && !script_text.empty())
        out << kScriptBegin << ' ' << escape_script(script_text) << '\n' << kScriptEnd << '\n';
    out << "end_markers\n";
    out.flush();
}
