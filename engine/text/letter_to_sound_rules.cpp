// Letter-to-sound conversion with context rules or decision trees, and the rule set's binary form
// (reader and writer side by side). Called by the transcriber for words the dictionary lacks.
#include "engine/text/letter_to_sound_rules.h"

#include <algorithm>
#include <cstring>

#include "engine/text/english_tables.h"
#include "engine/util/binary_io.h"

namespace {

constexpr const char* kInvalidFormatText = "Invalid Letter To Sound file format.";
constexpr const char* kNewerVersionText = "Newer version of letter to sound file.";

// Deeper trees than this are refused: the reader recurses once per level.
constexpr int kMaxTreeDepth = 512;
// Contexts from a file can be written so that matching backtracks without end ("#:#:#:...");
// past this many steps a context simply fails to match.
constexpr int kMatchStepBudget = 200000;
// '#' (vowels) and ':' (consonants) look along a run of letters; no word has a run this long, and
// without a bound a "word" of thousands of one letter costs the square of its length.
constexpr int kMaxContextRun = 16;

bool IsVowel(int c) { return c == 'A' || c == 'E' || c == 'I' || c == 'O' || c == 'U'; }
bool IsConsonant(int c) { return c >= 'A' && c <= 'Z' && !IsVowel(c); }
bool IsVoiced(int c) { return c != 0 && std::strchr("BDVGJLMNRWZ", c) != nullptr; }
bool IsFrontVowel(int c) { return c == 'E' || c == 'I' || c == 'Y'; }
bool IsLiteral(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '\'' || c == ' '; }
bool IsClassSymbol(int c) { return c == '&' || c == '!' || c == '*'; }

// Class symbols take a two-character class name and one more character. No rule file can define a
// class, so '&' and '!' never match and '*' matches an empty stretch; the tokens below stand for
// the whole four-character symbol.
constexpr char kClassNever = 1;
constexpr char kClassEmpty = 2;

// Rewrites a context that uses class symbols into one character per symbol.
std::string TokenizeClasses(const char* pattern) {
    std::string out;
    const size_t n = std::strlen(pattern);
    for (size_t k = 0; k < n;) {
        if (IsClassSymbol(pattern[k])) {
            out.push_back(pattern[k] == '*' ? kClassEmpty : kClassNever);
            k += 4;
        } else {
            out.push_back(pattern[k]);
            ++k;
        }
    }
    return out;
}

// Steps left for the context being matched.
thread_local int matchSteps = 0;

bool WriteRuleString(FILE* f, const char* s) { return WriteString(f, s ? s : ""); }

}  // namespace

CLetterToSoundRules::CLetterToSoundRules() {
    suffixes_ = {"ER", "E", "ES", "ED", "ING", "ELY"};
    Clear();
    for (const LtsRuleGroup& g : kEnglishRuleGroups) {
        const auto key = static_cast<unsigned char>(g.key);
        int count = 0;
        while (g.rules[count].match != nullptr) ++count;
        groups_[key] = g.rules;
        groupCounts_[key] = count;
    }
}

CLetterToSoundRules::~CLetterToSoundRules() = default;

void CLetterToSoundRules::SetBuiltInTables() {
    std::copy(std::begin(kEnglishCardinals), std::end(kEnglishCardinals), cardinals_);
    std::copy(std::begin(kEnglishTens), std::end(kEnglishTens), tens_);
    std::copy(std::begin(kEnglishOrdinals), std::end(kEnglishOrdinals), ordinals_);
    std::copy(std::begin(kEnglishOrdinalTens), std::end(kEnglishOrdinalTens), ordinalTens_);
    std::copy(std::begin(kEnglishWords), std::end(kEnglishWords), words_);
    charNames_.assign(std::begin(kEnglishCharacterNames), std::end(kEnglishCharacterNames));
    for (int c = 0; c < 256; ++c) charMap_[c] = static_cast<unsigned char>(c);
    for (const CharacterMapChange& change : kEnglishCharacterMapChanges)
        for (int c = change.first; c <= change.last; ++c) charMap_[c] = change.result;
    hasCharMap_ = true;
    thousandsSeparator_ = ',';
    decimalPoint_ = '.';
}

void CLetterToSoundRules::Clear() {
    std::fill(std::begin(groups_), std::end(groups_), nullptr);
    std::fill(std::begin(groupCounts_), std::end(groupCounts_), 0);
    std::fill(std::begin(wordChars_), std::end(wordChars_), nullptr);
    tree_.clear();
    treeLetters_.clear();
    smallestOffset_ = 0;
    largestOffset_ = 0;
    flags_ = 0;
    SetBuiltInTables();
    loadedRules_.clear();
    pool_.reset();
    loaded_ = false;
}

const LtsRule* CLetterToSoundRules::Group(int key, int* count) const {
    if (key < 0 || key > 255 || groups_[key] == nullptr) {
        if (count) *count = 0;
        return nullptr;
    }
    if (count) *count = groupCounts_[key];
    return groups_[key];
}

const char* CLetterToSoundRules::MakeKey(const char* word, int length, int* keyLength) {
    bool any = false;
    for (int k = 0; k < length && !any; ++k) any = wordChars_[static_cast<unsigned char>(word[k])] != nullptr;
    if (!any) {
        *keyLength = length;
        return word;
    }
    key_.clear();
    for (int k = 0; k < length; ++k) {
        const char* replacement = wordChars_[static_cast<unsigned char>(word[k])];
        if (replacement)
            key_ += replacement;
        else
            key_.push_back(word[k]);
    }
    *keyLength = static_cast<int>(key_.size());
    return key_.c_str();
}

// ---- Context rules ----

void CLetterToSoundRules::Convert(IPhonemeSink& sink, const char* buffer) {
    if (UsesDecisionTrees()) {
        ConvertWithTrees(sink, buffer);
        return;
    }
    int i = 1;
    while (buffer[i] != 0) {
        const auto c = static_cast<unsigned char>(buffer[i]);
        if (groups_[c] != nullptr)
            i = ApplyRules(sink, buffer, i, groups_[c], groupCounts_[c]);
        else
            ++i;
    }
}

int CLetterToSoundRules::ApplyRules(IPhonemeSink& sink, const char* buffer, int i, const LtsRule* rules,
                                    int count) {
    for (int r = 0; r < count; ++r) {
        const LtsRule& rule = rules[r];
        const size_t matchLength = std::strlen(rule.match);
        if (std::strncmp(rule.match, buffer + i, matchLength) != 0) continue;
        matchSteps = kMatchStepBudget;
        if (!MatchLeft(rule.left, static_cast<int>(std::strlen(rule.left)) - 1, buffer, i - 1)) continue;
        matchSteps = kMatchStepBudget;
        if (!MatchRight(rule.right, buffer, i + static_cast<int>(matchLength))) continue;
        if (rule.output[0] == '?')
            sink.EmitAlternativeSlot(rule.output + 1);
        else
            sink.EmitPhonemes(rule.output, false);
        return i + static_cast<int>(matchLength);
    }
    std::fprintf(stderr, "Error: Can't find rule for: '%c' in \"%s\"\n", buffer[i], buffer);
    return i + 1;
}

int CLetterToSoundRules::SuffixForwards(const char* buffer, int j) const {
    int best = 0;
    for (const std::string& s : suffixes_)
        if (static_cast<int>(s.size()) > best && std::strncmp(buffer + j, s.c_str(), s.size()) == 0)
            best = static_cast<int>(s.size());
    return best;
}

bool CLetterToSoundRules::SuffixEndsAt(const char* buffer, int j, int* length) const {
    int best = 0;
    for (const std::string& s : suffixes_) {
        const int n = static_cast<int>(s.size());
        if (n > best && j - n + 1 >= 0 && std::strncmp(buffer + j - n + 1, s.c_str(), n) == 0) best = n;
    }
    *length = best;
    return best > 0;
}

bool CLetterToSoundRules::MatchRight(const char* pattern, const char* buffer, int j) const {
    if (std::strpbrk(pattern, "&!*") != nullptr) {
        const std::string tokens = TokenizeClasses(pattern);
        return MatchRight(tokens.c_str(), buffer, j);
    }
    if (--matchSteps < 0) return false;
    const int c = static_cast<unsigned char>(pattern[0]);
    if (c == 0) return true;
    const int b = static_cast<unsigned char>(buffer[j]);
    switch (c) {
    case '#':
        for (int k = j; k - j < kMaxContextRun && IsVowel(static_cast<unsigned char>(buffer[k])); ++k)
            if (MatchRight(pattern + 1, buffer, k + 1)) return true;
        return false;
    case ':':
        for (int k = j; k - j <= kMaxContextRun; ++k) {
            if (MatchRight(pattern + 1, buffer, k)) return true;
            if (!IsConsonant(static_cast<unsigned char>(buffer[k]))) return false;
        }
        return false;
    case '^': return IsConsonant(b) && MatchRight(pattern + 1, buffer, j + 1);
    case '.': return IsVoiced(b) && MatchRight(pattern + 1, buffer, j + 1);
    case '+': return IsFrontVowel(b) && MatchRight(pattern + 1, buffer, j + 1);
    case '%': {
        const int n = SuffixForwards(buffer, j);
        return n > 0 && MatchRight(pattern + 1, buffer, j + n);
    }
    case kClassNever: return false;
    case kClassEmpty: return MatchRight(pattern + 1, buffer, j);
    default: return IsLiteral(c) && b == c && MatchRight(pattern + 1, buffer, j + 1);
    }
}

// Matches pattern[0..last] backwards, its last symbol against buffer[j] and leftwards; nothing
// may be read before the buffer's start.
bool CLetterToSoundRules::MatchLeft(const char* pattern, int last, const char* buffer, int j) const {
    if (last >= 0 && std::strpbrk(pattern, "&!*") != nullptr) {
        const std::string tokens = TokenizeClasses(pattern);
        const char* p = tokens.c_str();
        if (std::strpbrk(p, "&!*") != nullptr) return false; // a class name made of symbols
        return MatchLeft(p, static_cast<int>(tokens.size()) - 1, buffer, j);
    }
    if (--matchSteps < 0) return false;
    if (last < 0) return true;
    const int c = static_cast<unsigned char>(pattern[last]);
    const int b = j >= 0 ? static_cast<unsigned char>(buffer[j]) : -1;
    switch (c) {
    case '#':
        for (int k = j; k >= 0 && j - k < kMaxContextRun && IsVowel(static_cast<unsigned char>(buffer[k])); --k)
            if (MatchLeft(pattern, last - 1, buffer, k - 1)) return true;
        return false;
    case ':':
        for (int k = j; j - k <= kMaxContextRun; --k) {
            if (MatchLeft(pattern, last - 1, buffer, k)) return true;
            if (k < 0 || !IsConsonant(static_cast<unsigned char>(buffer[k]))) return false;
        }
        return false;
    case '^': return IsConsonant(b) && MatchLeft(pattern, last - 1, buffer, j - 1);
    case '.': return IsVoiced(b) && MatchLeft(pattern, last - 1, buffer, j - 1);
    case '+': return IsFrontVowel(b) && MatchLeft(pattern, last - 1, buffer, j - 1);
    case '%': {
        int n = 0;
        return j >= 0 && SuffixEndsAt(buffer, j, &n) && MatchLeft(pattern, last - 1, buffer, j - n);
    }
    case kClassNever: return false;
    case kClassEmpty: return MatchLeft(pattern, last - 1, buffer, j);
    default: return IsLiteral(c) && b == c && MatchLeft(pattern, last - 1, buffer, j - 1);
    }
}

// ---- Decision trees ----

void CLetterToSoundRules::ConvertWithTrees(IPhonemeSink& sink, const char* buffer) {
    sink.EmitSeparator(false);
    const char* word = buffer;
    int length = static_cast<int>(std::strlen(buffer));
    while (length > 0 && *word == ' ') {
        ++word;
        --length;
    }
    while (length > 0 && word[length - 1] == ' ') --length;
    int keyLength = 0;
    const char* key = MakeKey(word, length, &keyLength);

    const int before = std::max(0, -smallestOffset_);
    const int after = std::max(0, largestOffset_);
    window_.assign(static_cast<size_t>(before + keyLength + after), '-');
    for (int k = 0; k < keyLength; ++k) window_[before + k] = static_cast<unsigned char>(key[k]);

    for (int pos = 0; pos < keyLength && !tree_.empty(); ++pos) {
        const int letter = window_[before + pos];
        if (std::find(treeLetters_.begin(), treeLetters_.end(), letter) == treeLetters_.end()) continue;
        int node = 0;
        while (node >= 0) {
            const TreeNode& n = tree_[node];
            if (n.leaf) {
                if (n.text != "_") sink.EmitPhonemes(n.text.c_str(), false);
                break;
            }
            // Offsets lie between the smallest and the largest, so the index stays in the window.
            node = window_[before + pos + n.offset] == n.letter ? n.yes : n.no;
        }
    }
    sink.EmitSeparator(false);
}

int CLetterToSoundRules::ReadTree(const unsigned char** cursor, unsigned* remaining, int depth) {
    if (depth > kMaxTreeDepth) return -1;
    bool ok = false;
    const int b0 = ReadByte(cursor, remaining, &ok);
    if (!ok) return -1;
    const int index = static_cast<int>(tree_.size());
    tree_.emplace_back();
    if (b0 == 1) {
        const char* text = ReadString(cursor, remaining, &ok);
        if (!ok) return -1;
        tree_[index].leaf = true;
        tree_[index].text = text;
        return index;
    }
    const int b1 = ReadByte(cursor, remaining, &ok);
    if (!ok) return -1;
    if (b0 != 0) {
        tree_[index].leaf = true;
        tree_[index].text.push_back(static_cast<char>(b0));
        if (b1 != 0) tree_[index].text.push_back(static_cast<char>(b1));
        return index;
    }
    // A question; its second byte carries nothing.
    const auto letter = static_cast<int16_t>(ReadInt16(cursor, remaining, &ok));
    if (!ok) return -1;
    const auto offset = static_cast<int16_t>(ReadInt16(cursor, remaining, &ok));
    if (!ok) return -1;
    tree_[index].letter = letter;
    tree_[index].offset = offset;
    smallestOffset_ = std::min<int>(smallestOffset_, offset);
    largestOffset_ = std::max<int>(largestOffset_, offset);
    const int hasYes = ReadByte(cursor, remaining, &ok);
    if (!ok) return -1;
    if (hasYes != 0) {
        const int yes = ReadTree(cursor, remaining, depth + 1);
        if (yes < 0) return -1;
        tree_[index].yes = yes;
    }
    const int hasNo = ReadByte(cursor, remaining, &ok);
    if (!ok) return -1;
    if (hasNo != 0) {
        const int no = ReadTree(cursor, remaining, depth + 1);
        if (no < 0) return -1;
        tree_[index].no = no;
    }
    return index;
}

bool CLetterToSoundRules::WriteTree(FILE* f, int node) const {
    const TreeNode& n = tree_[node];
    if (n.leaf) {
        // Short leaves are their two bytes; an empty one needs the string form, as its first
        // byte 0 would read as a question.
        if (!n.text.empty() && n.text.size() < 3 && n.text[0] != 1) {
            const unsigned char b[2] = {static_cast<unsigned char>(n.text[0]),
                                        static_cast<unsigned char>(n.text.size() > 1 ? n.text[1] : 0)};
            return WriteBytes(f, b, 2);
        }
        const unsigned char one = 1;
        return WriteBytes(f, &one, 1) && WriteString(f, n.text.c_str());
    }
    const unsigned char question[2] = {0, 0};
    if (!WriteBytes(f, question, 2) || !WriteInt16(f, static_cast<uint16_t>(n.letter)) ||
        !WriteInt16(f, static_cast<uint16_t>(n.offset)))
        return false;
    const unsigned char hasYes = n.yes >= 0, hasNo = n.no >= 0;
    if (!WriteBytes(f, &hasYes, 1) || (hasYes && !WriteTree(f, n.yes))) return false;
    return WriteBytes(f, &hasNo, 1) && (!hasNo || WriteTree(f, n.no));
}

// ---- Binary form ----

int CLetterToSoundRules::LoadBinary(const void** cursor, int* remaining, char* errorText) {
    Clear();
    if (errorText) errorText[0] = 0;
    auto fail = [&](int code) {
        Clear();
        if (errorText) std::strcpy(errorText, code == 21 ? kNewerVersionText : kInvalidFormatText);
        return code;
    };
    if (cursor == nullptr || *cursor == nullptr || remaining == nullptr || *remaining < 0) return fail(12);

    const auto* p = static_cast<const unsigned char*>(*cursor);
    unsigned rest = static_cast<unsigned>(*remaining);
    bool ok = false;
    if (ReadInt32(&p, &rest, &ok) != kLtsMagic || !ok) return fail(12);
    const auto version = static_cast<int16_t>(ReadInt16(&p, &rest, &ok));
    if (!ok || version < 1) return fail(12);
    if (version > kLtsVersion) return fail(21);
    const int32_t poolSize = ReadInt32(&p, &rest, &ok);
    if (!ok || poolSize < 0 || static_cast<unsigned>(poolSize) > rest) return fail(12);

    // The pool keeps every loaded string; one NUL behind it keeps a cut-off string from running on.
    pool_ = std::make_unique<char[]>(static_cast<size_t>(poolSize) + 1);
    std::memcpy(pool_.get(), p, static_cast<size_t>(poolSize));
    const unsigned char* q = reinterpret_cast<const unsigned char*>(pool_.get());
    unsigned left = static_cast<unsigned>(poolSize);
    loaded_ = true;

    auto readCount = [&](int* out) {
        const auto v = static_cast<int16_t>(ReadInt16(&q, &left, &ok));
        *out = v;
        return ok && v >= 0;
    };
    auto readString = [&](const char** out) {
        *out = ReadString(&q, &left, &ok);
        return ok;
    };

    if (version >= 2) {
        flags_ = static_cast<int16_t>(ReadInt16(&q, &left, &ok));
        int n = 0;
        if (!ok || !readCount(&n)) return fail(12);
        for (int k = 0; k < n; ++k) {
            const int c = ReadByte(&q, &left, &ok);
            const char* replacement = nullptr;
            if (!ok || !readString(&replacement)) return fail(12);
            wordChars_[c] = replacement;
        }
    }

    if (UsesDecisionTrees()) {
        int n = 0;
        if (!readCount(&n)) return fail(12);
        for (int k = 0; k < n; ++k) {
            treeLetters_.push_back(static_cast<int16_t>(ReadInt16(&q, &left, &ok)));
            if (!ok) return fail(12);
        }
        if (ReadTree(&q, &left, 0) < 0) return fail(12);
    } else {
        // Rules are gathered first and the group pointers set once the list stops growing.
        struct Span {
            int key, start, count;
        };
        std::vector<Span> spans;
        auto readGroup = [&](int key) {
            int n = 0;
            if (!readCount(&n)) return false;
            Span span{key, static_cast<int>(loadedRules_.size()), n};
            for (int r = 0; r < n; ++r) {
                LtsRule rule{};
                if (!readString(&rule.left) || !readString(&rule.match) || !readString(&rule.right) ||
                    !readString(&rule.output))
                    return false;
                // An empty match would never move the conversion on.
                if (rule.match[0] == 0) return false;
                loadedRules_.push_back(rule);
            }
            spans.push_back(span);
            return true;
        };
        if (version == 3) {
            int groupCount = 0;
            if (!readCount(&groupCount)) return fail(12);
            for (int g = 0; g < groupCount; ++g) {
                const auto key = static_cast<int16_t>(ReadInt16(&q, &left, &ok));
                if (!ok || !readGroup(key)) return fail(12);
            }
        } else {
            if (!readGroup('@')) return fail(12);
            for (int key = 'A'; key <= 'Z'; ++key)
                if (!readGroup(key)) return fail(12);
        }
        for (const Span& s : spans) {
            // A key that is not a byte can never be looked up.
            if (s.key < 1 || s.key > 255) continue;
            groups_[s.key] = loadedRules_.data() + s.start;
            groupCounts_[s.key] = s.count;
        }
    }

    for (auto& w : cardinals_)
        if (!readString(&w)) return fail(12);
    for (auto& w : tens_)
        if (!readString(&w)) return fail(12);
    for (auto& w : ordinals_)
        if (!readString(&w)) return fail(12);
    for (auto& w : ordinalTens_)
        if (!readString(&w)) return fail(12);
    int nameCount = 0;
    if (!readCount(&nameCount)) return fail(12);
    charNames_.assign(static_cast<size_t>(nameCount), nullptr);
    for (auto& w : charNames_)
        if (!readString(&w)) return fail(12);
    const auto mapPresent = static_cast<int16_t>(ReadInt16(&q, &left, &ok));
    if (!ok) return fail(12);
    hasCharMap_ = mapPresent != 0;
    if (hasCharMap_ && !TakeBytes(&q, &left, &ok, charMap_, 256)) return fail(12);
    for (int w = 0; w < kWordHundred; ++w)
        if (!readString(&words_[w])) return fail(12);
    thousandsSeparator_ = static_cast<char>(ReadByte(&q, &left, &ok));
    if (!ok) return fail(12);
    decimalPoint_ = static_cast<char>(ReadByte(&q, &left, &ok));
    if (!ok) return fail(12);
    for (int w = kWordHundred; w < kWordCount; ++w)
        if (!readString(&words_[w])) return fail(12);
    // The transcriber puts the separator between the phonemes of neighbouring tokens; without a
    // character there the recogniser could not tell words apart.
    if (words_[kWordSeparator][0] == 0) return fail(12);

    const auto consumed = static_cast<int>(p - static_cast<const unsigned char*>(*cursor)) + poolSize;
    *cursor = static_cast<const unsigned char*>(*cursor) + consumed;
    *remaining -= consumed;
    return 0;
}

bool CLetterToSoundRules::SaveBinary(FILE* f) const {
    if (f == nullptr) return false;
    if (!WriteInt32(f, kLtsMagic) || !WriteInt16(f, kLtsVersion)) return false;
    const long sizeAt = std::ftell(f);
    if (sizeAt < 0 || !WriteInt32(f, 0)) return false;

    bool ok = WriteInt16(f, static_cast<uint16_t>(flags_));
    int wordCharCount = 0;
    for (const char* w : wordChars_) wordCharCount += w != nullptr;
    ok = ok && WriteInt16(f, static_cast<uint16_t>(wordCharCount));
    for (int c = 0; c < 256 && ok; ++c) {
        if (wordChars_[c] == nullptr) continue;
        const auto b = static_cast<unsigned char>(c);
        ok = WriteBytes(f, &b, 1) && WriteString(f, wordChars_[c]);
    }
    if (UsesDecisionTrees()) {
        ok = ok && WriteInt16(f, static_cast<uint16_t>(treeLetters_.size()));
        for (int16_t letter : treeLetters_) ok = ok && WriteInt16(f, static_cast<uint16_t>(letter));
        ok = ok && !tree_.empty() && WriteTree(f, 0);
    } else {
        int groupCount = 0;
        for (const LtsRule* g : groups_) groupCount += g != nullptr;
        ok = ok && WriteInt16(f, static_cast<uint16_t>(groupCount));
        for (int key = 0; key < 256 && ok; ++key) {
            if (groups_[key] == nullptr) continue;
            ok = WriteInt16(f, static_cast<uint16_t>(key)) && WriteInt16(f, static_cast<uint16_t>(groupCounts_[key]));
            for (int r = 0; r < groupCounts_[key] && ok; ++r) {
                const LtsRule& rule = groups_[key][r];
                ok = WriteRuleString(f, rule.left) && WriteRuleString(f, rule.match) &&
                     WriteRuleString(f, rule.right) && WriteRuleString(f, rule.output);
            }
        }
    }
    for (const char* w : cardinals_) ok = ok && WriteString(f, w);
    for (const char* w : tens_) ok = ok && WriteString(f, w);
    for (const char* w : ordinals_) ok = ok && WriteString(f, w);
    for (const char* w : ordinalTens_) ok = ok && WriteString(f, w);
    ok = ok && WriteInt16(f, static_cast<uint16_t>(charNames_.size()));
    for (const char* w : charNames_) ok = ok && WriteRuleString(f, w);
    ok = ok && WriteInt16(f, hasCharMap_ ? 1 : 0);
    if (hasCharMap_) ok = ok && WriteBytes(f, charMap_, 256);
    for (int w = 0; w < kWordHundred; ++w) ok = ok && WriteString(f, words_[w]);
    const unsigned char separators[2] = {static_cast<unsigned char>(thousandsSeparator_),
                                         static_cast<unsigned char>(decimalPoint_)};
    ok = ok && WriteBytes(f, separators, 2);
    for (int w = kWordHundred; w < kWordCount; ++w) ok = ok && WriteString(f, words_[w]);
    if (!ok) return false;

    // The pool size goes in place once the rest is written.
    const long end = std::ftell(f);
    if (end < 0 || std::fseek(f, sizeAt, SEEK_SET) != 0) return false;
    ok = WriteInt32(f, static_cast<int32_t>(end - sizeAt - 4));
    return std::fseek(f, end, SEEK_SET) == 0 && ok;
}
