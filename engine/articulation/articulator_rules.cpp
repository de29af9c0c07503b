// Articulation rules: the built-in rules text, the rules-text reader and the weight and reach of
// a rule over time.
#include "engine/articulation/articulator_rules.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "engine/api/error_messages.h"
#include "engine/util/number_text.h"
#include "model/phoneme_codes.h"

const char kBuiltInArticulatorRules[] =
    "version 1.5\n"
    "framerate 30\n"
    "x\t\t\t .5 50 50\n"
    "nNGDHdgth\t .4 50 50\n"
    "CHjzTHZHksSH .5  50 50 0 .5 0 1.0\n"
    "r\t\t\t  .8 50 50\n"
    "AEAHAOEY\t  .7 50 50\n"
    "y\t\t\t .7 75 75\n"
    "EREHIY\t\t .7 50 50\n"
    "IHAY\t\t .6  50 50\n"
    "lwAW\t\t .9  125 125\n"
    "AAOW\t\t.9 250 100\n"
    "UWOYUH\t\t.9 250 100\n"
    "bp\t\t   1.0 50 50 0 1.0 10 .50\n"
    "vfm\t\t   1.0 50 50\n"
    "closed bpvmf\n";
const int kBuiltInArticulatorRulesLength = static_cast<int>(sizeof kBuiltInArticulatorRules - 1);

bool IsUsableFrameRate(float rate) { return rate > 0.0f && rate <= kMaxArticulatorFrameRate; }

namespace {

// A NUL counts as white space: callers may pass a buffer's terminating zero in the length.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == '\0';
}

// White-space separated tokens over a byte range that need not be NUL-terminated.
class RulesTokens {
public:
    RulesTokens(const char* text, int length) : end_(text + length), pos_(text) {}

    // The next token; false at the end of the text.
    bool Next(std::string_view& token) {
        while (pos_ < end_ && IsBlank(*pos_)) ++pos_;
        if (pos_ == end_) return false;
        const char* first = pos_;
        while (pos_ < end_ && !IsBlank(*pos_)) ++pos_;
        token = std::string_view(first, static_cast<size_t>(pos_ - first));
        return true;
    }

    // Skips the rest of the current line, its line feed included, however long it is.
    void SkipLine() {
        while (pos_ < end_ && *pos_ != '\n') ++pos_;
        if (pos_ < end_) ++pos_;
    }

    // Whether more values follow on this line: skips blanks other than line breaks and looks at
    // what comes next. The end of the text ends the line as a line feed would.
    bool MoreOnLine() {
        while (pos_ < end_ && IsBlank(*pos_) && *pos_ != '\r' && *pos_ != '\n') ++pos_;
        return pos_ < end_ && *pos_ != '\r' && *pos_ != '\n';
    }

private:
    const char* end_;
    const char* pos_;
};

// A whole token as a finite float, with '.' as the decimal point whatever the locale; false when
// it is anything else.
bool ToFloat(std::string_view token, float& out) { return ParseFloatText(token, out); }

// A whole token as a 32-bit integer; false when it is anything else.
bool ToInt(std::string_view token, int32_t& out) { return ParseIntText(token, out); }

enum class ValueRead { kRead, kEnd, kBad };

ValueRead ReadFloat(RulesTokens& tokens, float& out) {
    std::string_view token;
    if (!tokens.Next(token)) return ValueRead::kEnd;
    return ToFloat(token, out) ? ValueRead::kRead : ValueRead::kBad;
}

ValueRead ReadInt(RulesTokens& tokens, int32_t& out) {
    std::string_view token;
    if (!tokens.Next(token)) return ValueRead::kEnd;
    return ToInt(token, out) ? ValueRead::kRead : ValueRead::kBad;
}

// Codes named by a rule line's phoneme list: an upper-case letter takes the character after it
// along, a lower-case letter stands alone, anything else is passed over. Not checked against the
// inventory, so a rules text may name codes of its own.
std::set<std::string> SplitRuleCodes(std::string_view list) {
    std::set<std::string> codes;
    for (size_t i = 0; i < list.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(list[i]);
        if (c >= 'A' && c <= 'Z') {
            if (i + 1 < list.size()) {
                codes.insert(std::string(list.substr(i, 2)));
                ++i;
            } else {
                codes.insert(std::string(1, list[i]));
            }
        } else if (c >= 'a' && c <= 'z') {
            codes.insert(std::string(1, list[i]));
        }
    }
    return codes;
}

// Reads the values of a rule line after its phoneme list into rule. Without the four onset and
// offset values the onset and offset weights are the weight; values missing at the end of the
// text stay 0.
int ReadRuleValues(RulesTokens& tokens, ArticulatorRule& rule) {
    ValueRead r = ReadFloat(tokens, rule.weight);
    if (r == ValueRead::kRead) r = ReadInt(tokens, rule.attack);
    if (r == ValueRead::kRead) r = ReadInt(tokens, rule.release);
    if (r == ValueRead::kBad) return kErrBadData;
    if (r == ValueRead::kEnd || !tokens.MoreOnLine()) {
        rule.onsetWeight = rule.offsetWeight = rule.weight;
        return kErrNone;
    }
    r = ReadInt(tokens, rule.onsetTime);
    if (r == ValueRead::kRead) r = ReadFloat(tokens, rule.onsetWeight);
    if (r == ValueRead::kRead) r = ReadInt(tokens, rule.offsetTime);
    if (r == ValueRead::kRead) r = ReadFloat(tokens, rule.offsetWeight);
    return r == ValueRead::kBad ? kErrBadData : kErrNone;
}

}  // namespace

int ParseArticulatorRules(const char* text, int length, ArticulatorRules& out) {
    if (text == nullptr || length < 0) return kErrInvalidArgument;
    out.rules.clear();
    RulesTokens tokens(text, length);
    std::string_view token;
    while (tokens.Next(token)) {
        if (token.size() >= 2 && token.substr(0, 2) == "//") {
            tokens.SkipLine();
        } else if (token == "version") {
            float version = 0.0f;
            ValueRead r = ReadFloat(tokens, version);
            if (r == ValueRead::kBad) return kErrBadData;
            if (r == ValueRead::kRead && version > 1.5f) return kErrNewerVersion;
        } else if (token == "closed") {
            std::string_view list;
            if (!tokens.Next(list)) break;
            std::vector<phoneme_code> codes;
            int errorPos = 0;
            if (!parse_phoneme_codes(std::string(list).c_str(), codes, &errorPos)) return kErrBadData;
            for (const phoneme_code& code : codes) out.closedSet.insert(std::string(code.data()));
        } else if (token == "framerate") {
            float rate = 0.0f;
            ValueRead r = ReadFloat(tokens, rate);
            if (r == ValueRead::kBad) return kErrBadData;
            if (r == ValueRead::kRead) {
                if (!IsUsableFrameRate(rate)) return kErrOutOfRange;
                out.frameRate = rate;
            }
        } else {
            ArticulatorRule rule{};
            int result = ReadRuleValues(tokens, rule);
            if (result != kErrNone) return result;
            if (rule.attack > out.maxAttack) out.maxAttack = rule.attack;
            if (rule.release > out.maxRelease) out.maxRelease = rule.release;
            for (const std::string& code : SplitRuleCodes(token)) {
                ArticulatorRule stored = rule;
                std::memset(stored.code, 0, sizeof stored.code);
                std::memcpy(stored.code, code.data(), code.size());
                out.rules[code] = stored;
            }
        }
    }
    return kErrNone;
}

float RuleWeightAt(const ArticulatorRule& rule, int t, int start, int end) {
    int64_t time = t;
    if (time < int64_t{start} + rule.onsetTime) return rule.onsetWeight;
    if (rule.offsetTime < 1) return rule.weight;
    if (time > int64_t{end} - rule.offsetTime) return rule.offsetWeight;
    return rule.weight;
}

double RuleEnvelopeAt(const ArticulatorRule& rule, int t, int start, int end) {
    int64_t time = t;
    if (time < start) {
        int64_t d = int64_t{start} - time;
        return rule.attack >= d ? static_cast<double>(rule.attack - d) / rule.attack : 0.0;
    }
    if (time < end) return 1.0;
    int64_t d = time - end;
    return rule.release > 0 && d <= rule.release ? static_cast<double>(rule.release - d) / rule.release : 0.0;
}
