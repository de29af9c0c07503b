// Results file reader and writer, side by side.
#include "model/sync_results_file.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <limits>
#include <climits>
#include <cstring>
#include <istream>
#include <ostream>

#include "engine/util/file_utils.h"
#include "engine/util/number_text.h"
#include "engine/util/string_utils.h"
#include "model/phoneme_codes.h"
#include "platform/safe_save.h"

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

// A record whose keyword ends in this character carries its text fields percent-escaped, each as
// one blank-delimited token. The writer uses it only for text the plain record can't carry (a
// phoneme label of more than 2 characters or with a blank, a word with a line break or blanks at
// its ends, a gesture name with a bar), so files whose plain records read cleanly are unchanged.
const char kEscapedSuffix = '%';
// An escaped field with no text (a token can't be empty).
const char kEscapedEmpty[] = "%";

bool is_phoneme_code(const std::string& label) {
    return std::any_of(std::begin(kPhonemeCodes), std::end(kPhonemeCodes), [&](const char* c) { return label == c; });
}

bool looks_like_code(const std::string& label) {
    return std::all_of(label.begin(), label.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); });
}

bool is_silence_label(const std::string& label) { return label.size() == 1 && (label[0] == 'x' || label[0] == 'X'); }

std::string trim(const std::string& text) { return TrimRight(TrimLeft(text)); }

// Bytes a token can't hold: blanks and control characters end it or would be lost, and '%' starts
// an escape.
bool needs_escape(unsigned char c, char extra) { return c <= ' ' || c == 0x7f || c == '%' || (extra && c == extra); }

std::string escape_field(const std::string& text, char extra = 0) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (needs_escape(c, extra)) {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

std::string escaped_token(const std::string& text) { return text.empty() ? kEscapedEmpty : escape_field(text); }

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// False on a '%' not followed by two hexadecimal digits.
bool unescape_field(const std::string& token, std::string& out) {
    out.clear();
    if (token == kEscapedEmpty) return true;
    for (size_t i = 0; i < token.size(); ++i) {
        if (token[i] != '%') {
            out.push_back(token[i]);
            continue;
        }
        const int a = i + 1 < token.size() ? hex_value(token[i + 1]) : -1;
        const int b = i + 2 < token.size() ? hex_value(token[i + 2]) : -1;
        if (a < 0 || b < 0) return false;
        out.push_back(static_cast<char>(a * 16 + b));
        i += 2;
    }
    return true;
}

// A phoneme or envelope label the plain record carries: 1 or 2 characters that end no token.
bool plain_label(const std::string& label) {
    if (label.empty() || label.size() > 2) return false;
    for (unsigned char c : label)
        if (c <= ' ' || c == 0x7f) return false;
    return true;
}

// Text the plain rest-of-line records give back as it is: one line, no blanks at the ends, no NUL
// (markers made from C strings would end there).
bool plain_line(const std::string& text) {
    return text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos && trim(text) == text;
}

bool plain_gesture(const FGesture& g) {
    return g.gesture_name.find('|') == std::string::npos && plain_line(g.gesture_name + "|" + g.pose_name);
}

bool plain_code(const char* code, size_t size) {
    const size_t n = strnlen(code, size);
    if (n == 0) return false;
    for (size_t i = 0; i < n; ++i)
        if (static_cast<unsigned char>(code[i]) <= ' ' || code[i] == 0x7f) return false;
    return true;
}

// Non-finite values can't be read back as numbers; the nearest finite one is written instead.
float finite_value(float value) {
    if (value != value) return 0.0f;
    return std::clamp(value, -std::numeric_limits<float>::max(), std::numeric_limits<float>::max());
}

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
        // Straight from the buffer: a results file holds a token or more per marker.
        std::streambuf* buf = in_.good() ? in_.rdbuf() : nullptr;
        int c = buf ? buf->sgetc() : std::char_traits<char>::eof();
        for (; c != std::char_traits<char>::eof() && !std::isspace(c); c = buf->snextc()) {
            if (out.size() < sync_results_file::kMaxField)
                out.push_back(static_cast<char>(c));
            else
                too_long = true;
        }
        if (buf && c == std::char_traits<char>::eof()) in_.setstate(std::ios::eofbit);
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

    // An escaped text field (see kEscapedSuffix).
    bool escaped(std::string& out) {
        std::string raw;
        if (!token(raw)) return false;
        if (raw.empty() || !unescape_field(raw, out)) {
            error("Incorrect escaped text '" + raw + "' in '" + keyword_ + "' record");
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

    // A record the reader leaves out or keeps with a doubt: reported once per kind, at its first
    // line, with how many more there were, so a damaged file gives a few lines, not thousands.
    struct doubt {
        int first_line = 0;
        long count = 0;
        std::string first;
        void note(int line, const std::string& what) {
            if (count++ == 0) {
                first_line = line;
                first = what;
            }
        }
        void report(std::vector<std::string>& out, const std::string& tail) const {
            if (count == 0) return;
            std::string text = "Line[" + std::to_string(first_line) + "]: " + first + tail;
            if (count > 1) text += " (" + std::to_string(count - 1) + " more like it)";
            out.push_back(text);
        }
    };

    // False (and noted) when the record ends before it starts: such a marker has no place on the
    // timeline. Otherwise the file's reach is widened to hold it.
    bool sound_span(sync_results_file& file, int start, int end) {
        if (end < start) {
            reversed_.note(record_, "'" + keyword_ + "' record ends at " + std::to_string(end) + " before it starts at " +
                                        std::to_string(start));
            return false;
        }
        if (start < file.earliest_start) {
            file.earliest_start = start;
            file.earliest_start_line = record_;
        }
        if (end > file.latest_end) {
            file.latest_end = end;
            file.latest_end_line = record_;
        }
        return true;
    }

    std::istream& in_;
    std::ostream& errors_;
    int record_ = 1;
    std::string keyword_;
    long last_phoneme_ = -1;
    doubt reversed_;
    doubt unknown_code_;
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
        // Editors that save UTF-8 may put a byte-order mark before the first keyword.
        if (record_ == 1 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0) raw.erase(0, 3);
        keyword_ = raw;
        ok = read_record(file, stop);
        ++record_;
    }
    reversed_.report(file.warnings, ": left out");
    unknown_code_.report(file.warnings, ": kept as written");
    if (ok && !stop)
        file.warnings.push_back("The results file ends without its \"end_markers\" line: it may have been cut short.");
    return ok;
}

bool record_reader::read_record(sync_results_file& file, bool& stop) {
    app_sync_results& track = file.results;
    std::string kw = keyword_;
    ToLowerInPlace(kw);
    // A keyword ending in '%' carries its text escaped; kw is then the plain keyword.
    static const std::string kEscapable[] = {"phn_vis", "phn_env", "phn", "word", "punct", "xml", "gest", "audio", "text_file"};
    bool esc = false;
    if (kw.size() > 1 && kw.back() == kEscapedSuffix &&
        std::find(std::begin(kEscapable), std::end(kEscapable), kw.substr(0, kw.size() - 1)) != std::end(kEscapable)) {
        esc = true;
        kw.pop_back();
    }

    if (kw == "phn_vis") {
        ArticulationKey key{};
        if (!number(key.start) || !number(key.end) || !number(key.count)) return false;
        if (key.count < 0 || key.count > ArticulationKey::kMaxPairs) {
            error("Articulation count " + std::to_string(key.count) + " is not between 0 and 10");
            return false;
        }
        for (int i = 0; i < key.count; ++i) {
            std::string code;
            if (!(esc ? escaped(code) : token(code))) return false;
            if ((code.empty() && !esc) || code.size() >= sizeof key.pairs[i].code) {
                error("Incorrect or empty phoneme code '" + code + "'");
                return false;
            }
            std::memcpy(key.pairs[i].code, code.c_str(), code.size() + 1);
            if (!number(key.pairs[i].weight)) return false;
        }
        if (sound_span(file, key.start, key.end)) track.articulation.emplace_back(key);
        return true;
    }
    if (kw == "phn_env") {
        phn_env_marker env;
        env.value = 0.0f;
        std::string label;
        if (!number(env.start) || !number(env.end)) return false;
        if (esc) {
            if (!escaped(label)) return false;
        } else {
            if (!token(label)) return false;
            if (label == kEmptyLabel) {
                label.clear();
            } else if (label.empty() || label.size() > 2) {
                error("Incorrect or empty phoneme label '" + label + "'");
                if (sound_span(file, env.start, env.end)) track.envelope.push_back(env);
                return false;
            }
        }
        env.label = label;
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
        if (sound_span(file, env.start, env.end)) track.envelope.push_back(env);
        return true;
    }
    if (kw == "phn") {
        phn_marker p;
        std::string label;
        if (!number(p.start) || !number(p.end) || !number(p.value)) return false;
        if (esc) {
            if (!escaped(label)) return false;
            p.label = label;
        } else if (!token(label)) {
            return false;
        }
        const bool good_label = esc || label == kEmptyLabel || (!label.empty() && label.size() <= 2);
        if (!esc && good_label && label != kEmptyLabel) p.label = label;
        if (sound_span(file, p.start, p.end)) {
            track.phonemes.push_back(p);
            last_phoneme_ = static_cast<long>(track.phonemes.size()) - 1;
        } else {
            last_phoneme_ = -1;  // its energy lines go with it
        }
        // Labels the writer escapes, and marks of other kinds, were set on purpose; plain letters
        // outside the inventory are a mistyped code.
        if (good_label && !esc && label != kEmptyLabel && looks_like_code(label) && !is_phoneme_code(label))
            unknown_code_.note(record_, "'" + label + "' is not a phoneme code");
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
        if (!number(start) || !number(end)) return false;
        if (esc ? !escaped(text) : !rest_of_line(text)) return false;
        if (!sound_span(file, start, end)) return true;
        og_marker m(start, end, "");
        m.label = esc ? text : trim(text);
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
        if (!number(g.start) || !number(g.end) || !number(type)) return false;
        g.type = static_cast<uint32_t>(type);
        if (esc) {
            // Both names escaped, bars inside them too, joined by one bar.
            if (!token(text)) return false;
            const size_t bar = text.find('|');
            if (bar == std::string::npos || !unescape_field(text.substr(0, bar), g.gesture_name) ||
                !unescape_field(text.substr(bar + 1), g.pose_name)) {
                error("Incorrect escaped text '" + text + "' in '" + keyword_ + "' record");
                return false;
            }
            g.update_label();
            if (sound_span(file, g.start, g.end)) track.gestures.push_back(g);
            return true;
        }
        if (!rest_of_line(text)) return false;
        text = trim(text);
        size_t bar = text.find('|');
        if (bar == std::string::npos) {
            g.gesture_name = text;
        } else {
            g.gesture_name = text.substr(0, bar);
            g.pose_name = text.substr(bar + 1);
        }
        g.update_label();
        if (sound_span(file, g.start, g.end)) track.gestures.push_back(g);
        return true;
    }
    if (kw == "audio" || kw == "text_file") {
        std::string text;
        if (esc ? !escaped(text) : !rest_of_line(text)) return false;
        (kw == "audio" ? file.audio_path : file.text_file_path) = esc ? text : trim(text);
        return true;
    }
    if (kw == "%%-begin-zuvo-text-%%") {
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

// Writes records; a field the reader would refuse stops it with an error instead.
class record_writer {
public:
    explicit record_writer(std::ostream& out) : out_(out) {}

    std::ostream& out() { return out_; }
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    // The reader takes fields up to kMaxField characters; a rest-of-line field counts its blank.
    bool fits(size_t length, const char* what, int start) {
        if (length <= sync_results_file::kMaxField) return true;
        if (error_.empty())
            error_ = std::string("The ") + what + " at " + std::to_string(start) + " ms has a text of " +
                     std::to_string(length) + " characters; a results file holds at most " +
                     std::to_string(sync_results_file::kMaxField) + ".";
        return false;
    }

    void phoneme(const phn_marker& p) {
        const bool plain = p.label.empty() || plain_label(p.label);
        const std::string label = p.label.empty() ? kEmptyLabel : plain ? p.label : escaped_token(p.label);
        if (!fits(label.size(), "phoneme", p.start)) return;
        out_ << (plain ? "phn " : "phn% ") << p.start << ' ' << p.end << ' ' << whole_value(p.value) << ' ' << label
             << '\n';
        for (const marker_base& e : p.energy)
            out_ << "energy " << e.start << ' ' << e.end << ' ' << whole_value(e.value) << '\n';
    }

    void text_marker(const char* keyword, const og_marker& m) {
        if (plain_line(m.label)) {
            if (!fits(m.label.size() + 1, keyword, m.start)) return;
            out_ << keyword << ' ' << m.start << ' ' << m.end << ' ' << m.label << '\n';
        } else {
            const std::string text = escaped_token(m.label);
            if (!fits(text.size(), keyword, m.start)) return;
            out_ << keyword << kEscapedSuffix << ' ' << m.start << ' ' << m.end << ' ' << text << '\n';
        }
    }

    void gesture(const FGesture& g) {
        // The reader takes the type as an int; a type with the top bit set is written so too.
        const int32_t type = static_cast<int32_t>(g.type);
        if (plain_gesture(g)) {
            if (!fits(g.gesture_name.size() + g.pose_name.size() + 2, "gesture", g.start)) return;
            out_ << "gest " << g.start << ' ' << g.end << ' ' << type << ' ' << g.gesture_name << '|' << g.pose_name
                 << '\n';
        } else {
            const std::string text = escape_field(g.gesture_name, '|') + "|" + escape_field(g.pose_name, '|');
            if (!fits(text.size(), "gesture", g.start)) return;
            out_ << "gest% " << g.start << ' ' << g.end << ' ' << type << ' ' << text << '\n';
        }
    }

    void key(const art_marker& a) {
        const int count = std::clamp(static_cast<int>(a.key.count), 0, ArticulationKey::kMaxPairs);
        bool plain = true;
        for (int i = 0; i < count; ++i) plain = plain && plain_code(a.key.pairs[i].code, sizeof a.key.pairs[i].code);
        out_ << (plain ? "phn_vis " : "phn_vis% ") << a.start << ' ' << a.end << ' ' << count;
        for (int i = 0; i < count; ++i) {
            const ArticulationPair& pair = a.key.pairs[i];
            const std::string code(pair.code, strnlen(pair.code, sizeof pair.code));
            out_ << ' ' << (plain ? code : escaped_token(code)) << ' ' << finite_value(pair.weight);
        }
        out_ << '\n';
    }

    void envelope(const phn_env_marker& e) {
        const bool plain = e.label.empty() || plain_label(e.label);
        const std::string label = e.label.empty() ? kEmptyLabel : plain ? e.label : escaped_token(e.label);
        if (!fits(label.size(), "envelope", e.start)) return;
        out_ << (plain ? "phn_env " : "phn_env% ") << e.start << ' ' << e.end << ' ' << label << ' ' << e.points.size();
        for (const envelope_point& p : e.points) out_ << ' ' << p.time << ' ' << finite_value(p.value);
        out_ << '\n';
    }

    void path(const char* keyword, const std::string& text) {
        if (plain_line(text)) {
            if (!fits(text.size() + 1, keyword, 0)) return;
            out_ << keyword << ' ' << text << '\n';
        } else {
            const std::string escaped = escaped_token(text);
            if (!fits(escaped.size(), keyword, 0)) return;
            out_ << keyword << kEscapedSuffix << ' ' << escaped << '\n';
        }
    }

private:
    std::ostream& out_;
    std::string error_;
};

}  // namespace

std::string NotResultsTextReason(std::string_view head) {
    const auto starts = [&](std::string_view mark) { return head.substr(0, mark.size()) == mark; };
    using namespace std::string_view_literals;
    if (starts("\xFF\xFE\0\0"sv) || starts("\0\0\xFE\xFF"sv)) return "it is UTF-32 text";
    if (starts("\xFF\xFE"sv) || starts("\xFE\xFF"sv)) return "it is UTF-16 text";
    // The script is the user's text, written as it is: only what comes before it is looked at.
    const std::string_view records = head.substr(0, std::min(head.find(kScriptBegin), kResultsTextProbeSize));
    if (records.find('\0') != std::string_view::npos) return "it holds binary data or text wider than 8 bits";
    return "";
}

bool sync_results_file::read(std::istream& in, std::ostream& errors) {
    // Numbers are read with '.' and without grouping whatever locale the stream has.
    ClassicNumbersScope classic(in);
    warnings.clear();
    record_reader reader(in, errors);
    return reader.read_all(*this);
}

bool sync_results_file::write(std::ostream& out, int /*unused*/, uint32_t flags, std::string* error) const {
    // Numbers are written as readers everywhere take them, whatever locale the stream has.
    ClassicNumbersScope classic(out);
    record_writer w(out);
    if (flags & kWriteHeader) {
        out << "version " << 1.2 << '\n';
        if (!audio_path.empty()) w.path("audio", audio_path);
        if (!text_file_path.empty()) w.path("text_file", text_file_path);
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
    while (w.ok()) {
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
            case kPhn: w.phoneme(t.phonemes[i]); break;
            case kWord: w.text_marker("word", t.words[i]); break;
            case kPunct: w.text_marker("punct", t.punctuation[i]); break;
            case kGest: w.gesture(t.gestures[i]); break;
            case kXml: w.text_marker("xml", t.xml_events[i]); break;
            case kArt: w.key(t.articulation[i]); break;
            default:
                if ((flags & kWriteSilenceEnvelopes) || !is_silence_label(t.envelope[i].label))
                    w.envelope(t.envelope[i]);
                break;
        }
    }
    if (!w.ok()) {
        if (error) *error = w.error();
        return false;
    }

    if ((flags & kWriteScript) && !script_text.empty())
        out << kScriptBegin << ' ' << escape_script(script_text) << '\n' << kScriptEnd << '\n';
    out << "end_markers\n";
    out.flush();
    if (!out) {
        if (error) *error = "The results could not be written (the disk may be full).";
        return false;
    }
    return true;
}

size_t envelopes_left_out(const app_sync_results& track, uint32_t flags) {
    if (!(flags & kWriteEnvelopes)) return track.envelope.size();
    if (flags & kWriteSilenceEnvelopes) return 0;
    return static_cast<size_t>(std::count_if(track.envelope.begin(), track.envelope.end(),
                                             [](const phn_env_marker& e) { return is_silence_label(e.label); }));
}

bool SaveResultsFile(const sync_results_file& file, const std::string& path, uint32_t flags, std::string* error) {
    std::string why;
    const bool saved = SaveFileSafely(path, [&](std::ostream& out) { return file.write(out, 0, flags, &why); }, error);
    // The writer's own reason says more than the safe save's general one.
    if (!saved && !why.empty() && error) *error = "Cannot save \"" + path + "\": " + why;
    return saved;
}
