// A language's letter-to-sound rule set: context rules or decision trees that turn an unknown word
// into phoneme codes, plus every other language table the transcriber reads (number words,
// character names, character map, separator, word characters). Built-in English or loaded from
// the packed block of a lexicon file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// One context rule: match must equal the word at the current letter, left must match leftwards
// before it and right forwards after it; then output is spoken. A blank stands for a word
// boundary. A group's list ends with a rule whose match is null.
struct LtsRule {
    const char* left;
    const char* match;
    const char* right;
    const char* output;
};

// Where converted phonemes go; the transcriber implements it.
class IPhonemeSink {
public:
    virtual ~IPhonemeSink() = default;
    // Appends the phonemes of text (blanks and the separator give one separator) and records them
    // in the token's slots; a new slot when asked or when the text ends with a blank.
    virtual void EmitPhonemes(const char* text, bool newSlot) = 0;
    // The blank-separated strings of text become one slot of alternative pronunciations.
    virtual void EmitAlternativeSlot(const char* text) = 0;
    // Appends the separator unless force is false and the phoneme string already ends with it.
    virtual void EmitSeparator(bool force) = 0;
};

// The single words of the number and money readings, in the order of the binary form: the first
// ten are stored before the separator characters, the other ten after them.
enum LtsWord {
    kWordSeparator,
    kWordAnd,
    kWordPoint,
    kWordDollar,
    kWordDollars,
    kWordCent,
    kWordCents,
    kWordInfinity,
    kWordMinus,
    kWordOrdinalMinus,
    kWordHundred,
    kWordHundredth,
    kWordThousand,
    kWordThousandth,
    kWordMillion,
    kWordMillionth,
    kWordBillion,
    kWordBillionth,
    kWordFinalBillionth,
    kWordFinalMillionth,
    kWordCount
};

constexpr int32_t kLtsMagic = 0x4C545320; // " STL" in the file
constexpr int kLtsVersion = 3;
constexpr int kLtsErrorTextSize = 40;

// Not thread-safe: Convert uses the rule set's own work buffers, so one transcriber (one thread)
// uses a rule set at a time.
class CLetterToSoundRules {
public:
    // The built-in English rule set and tables.
    CLetterToSoundRules();
    CLetterToSoundRules(const CLetterToSoundRules&) = delete;
    CLetterToSoundRules& operator=(const CLetterToSoundRules&) = delete;
    virtual ~CLetterToSoundRules();

    // Drops what a load made and empties the rule groups, word characters and trees; the tables go
    // back to the built-in ones.
    virtual void Clear();
    // Writes the binary form (always the newest version); false when a write fails.
    virtual bool SaveBinary(FILE* file) const;
    // Clear, then reads the binary form; the cursor ends just behind the pool. 0, or 12 / 21 with
    // the message in errorText (room for kLtsErrorTextSize characters); on an error the rule set is
    // left cleared.
    virtual int LoadBinary(const void** cursor, int* remaining, char* errorText);

    // Converts the word buffer (the word between a leading and a trailing blank).
    void Convert(IPhonemeSink& sink, const char* buffer);
    // The dictionary key of a word: the word with each word character replaced by its string.
    // The result stays valid until the next call.
    const char* MakeKey(const char* word, int length, int* keyLength);

    bool IsWordCharacter(int c) const { return c >= 0 && c < 256 && wordChars_[c] != nullptr; }
    // Maps an input character below 256 through the character map, when there is one.
    int MapCharacter(int c) const { return (hasCharMap_ && c >= 0 && c < 256) ? charMap_[c] : c; }
    bool UsesDecisionTrees() const { return (flags_ & 1) != 0; }

    const char* Cardinal(int n) const { return cardinals_[n]; }
    const char* Tens(int n) const { return tens_[n]; }
    const char* Ordinal(int n) const { return ordinals_[n]; }
    const char* OrdinalTens(int n) const { return ordinalTens_[n]; }
    const char* Word(LtsWord w) const { return words_[w]; }
    // Null when c has no name.
    const char* CharacterName(int c) const {
        return (c >= 0 && c < static_cast<int>(charNames_.size())) ? charNames_[c] : nullptr;
    }
    char ThousandsSeparator() const { return thousandsSeparator_; }
    char DecimalPoint() const { return decimalPoint_; }

    // The rules of a group key (null when it has none) and their count.
    const LtsRule* Group(int key, int* count) const;

private:
    struct TreeNode {
        bool leaf = false;
        int16_t letter = 0;
        int16_t offset = 0;
        int yes = -1; // child node indices, -1 when missing
        int no = -1;
        std::string text; // leaf text
    };

    void SetBuiltInTables();
    int ApplyRules(IPhonemeSink& sink, const char* buffer, int i, const LtsRule* rules, int count);
    bool MatchRight(const char* pattern, const char* buffer, int j) const;
    bool MatchLeft(const char* pattern, int last, const char* buffer, int j) const;
    int SuffixForwards(const char* buffer, int j) const;
    bool SuffixEndsAt(const char* buffer, int j, int* length) const;
    void ConvertWithTrees(IPhonemeSink& sink, const char* buffer);
    int ReadTree(const unsigned char** cursor, unsigned* remaining, int depth);
    bool WriteTree(FILE* file, int node) const;

    // Rule groups by key character; counts exclude the terminator.
    const LtsRule* groups_[256];
    int groupCounts_[256];
    // Word characters and their replacement strings (null: not a word character).
    const char* wordChars_[256];

    std::vector<TreeNode> tree_;
    std::vector<int16_t> treeLetters_;
    std::vector<int> window_;
    std::string key_;
    int smallestOffset_ = 0;
    int largestOffset_ = 0;

    const char* cardinals_[20];
    const char* tens_[8];
    const char* ordinals_[20];
    const char* ordinalTens_[8];
    std::vector<const char*> charNames_;
    bool hasCharMap_ = true;
    unsigned char charMap_[256];
    const char* words_[kWordCount];
    char thousandsSeparator_ = ',';
    char decimalPoint_ = '.';

    int16_t flags_ = 0;
    bool loaded_ = false;
    std::unique_ptr<char[]> pool_;
    std::vector<LtsRule> loadedRules_;
    std::vector<std::string> suffixes_;
};
