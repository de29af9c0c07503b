// The transcriber: turns script text (code page 1252 bytes, with its markup) into one phoneme
// string and one output marker per word, number, punctuation mark or tag, with the alternative
// pronunciations the text-based recogniser expands. Made per language (lexicon_file.h) and used
// by the text-based recogniser.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/text/letter_to_sound_rules.h"
#include "engine/text/text_encoding.h"
#include "engine/text/transcriber_info.h"
#include "engine/util/t_array.h"

class CProgress;

class CPronunciationDictionary;

// One slot of a marker: its alternative phoneme strings.
struct TranscriptSlot {
    int32_t count;
    char** strings;
};

enum TranscriptMarkerKind : int32_t {
    kTranscriptWord = 1,        // words, numbers, money and spelled characters
    kTranscriptMarkup = 2,      // tags and bracketed or braced text
    kTranscriptCut = 3,         // cut cue; value is its time in milliseconds
    kTranscriptPunctuation = 4,
};

// A pause is allowed at this marker (punctuation and pause tags).
constexpr int32_t kTranscriptPauseAllowed = 2;

struct TranscriptMarker {
    int32_t textStart;    // position of the token's first character in the transcribed bytes
    int32_t textEnd;      // position after the token
    int32_t phonemeStart; // index of the token's first phoneme character (a leading separator skipped)
    int32_t phonemeEnd;   // index of the token's last phoneme character
    int32_t kind;         // TranscriptMarkerKind
    int32_t value;        // cut time for kTranscriptCut, else -1
    int32_t flags;        // kTranscriptPauseAllowed
    int32_t slotCount;
    TranscriptSlot* slots; // owned by the transcriber until the next Transcribe
};

// Reference counted: starts with one reference; Release deletes at zero. One thread at a time
// (Transcribe switches the process locale while it runs when the language names one).
class CTranscriber : private IPhonemeSink {
public:
    // Over a dictionary and a rule set, both owned (languages from lexicon files).
    CTranscriber(CPronunciationDictionary* dictionary, CLetterToSoundRules* rules);
    // Over a dictionary, owned when ownsDictionary, with the built-in English rule set.
    CTranscriber(CPronunciationDictionary* dictionary, bool ownsDictionary);
    CTranscriber(const CTranscriber&) = delete;
    CTranscriber& operator=(const CTranscriber&) = delete;

    // Transcribes text (code page 1252 bytes, NUL-terminated); the results stay valid until the
    // next call. True, or false when the progress set asked to cancel (the results then cover the
    // text read so far).
    virtual bool Transcribe(const char* text);
    // Asked whether to cancel every so many characters while a text is transcribed; null: never.
    void SetProgress(CProgress* progress) { progress_ = progress; }
    // Always false; kept for callers of the interface.
    virtual bool IsBusy() const;
    virtual void getTranscriberInfo(TranscriberInfo* out) const;
    // What the last Transcribe skipped or read other than as written (a '<', '{' or '[' never
    // closed is read as text instead of hiding the rest of the script), with positions in its text.
    const std::vector<ScriptWarning>& GetWarnings() const { return warnings_; }
    // The markers of the last Transcribe; null (count 0) when there are none.
    virtual TranscriptMarker* GetOutputMarkers(int* count);
    // A NUL-terminated copy of the phoneme string, valid until the next call.
    virtual const char* GetTranscription();
    // The language's phone-constraints text, or null and 0 when it has none.
    virtual const char* GetPhoneConstraints(int* length) const;
    virtual int AddRef();
    virtual int Release();

protected:
    virtual ~CTranscriber();

public:
    // Replaces the dictionary; the previous one is destroyed when it was owned.
    virtual void SetDictionary(CPronunciationDictionary* dictionary, bool owns);
    virtual void setTranscriberInfo(const TranscriberInfo* info);

    void SetPhoneConstraints(const char* text, int length);
    CLetterToSoundRules* GetRules() { return rules_.get(); }

    // The number readings, emitted into the current token (used by the number reader and tests).
    void SayCardinal(int32_t n);
    void SayOrdinal(int32_t n);

private:
    // A bump allocator for the markers' slot copies; emptied at every Transcribe.
    class SlotArena {
    public:
        void* Allocate(size_t bytes);
        void Reset();

    private:
        std::vector<std::unique_ptr<char[]>> blocks_;
        std::vector<size_t> sizes_;
        size_t block_ = 0;
        size_t used_ = 0;
    };

    // IPhonemeSink
    void EmitPhonemes(const char* text, bool newSlot) override;
    void EmitAlternativeSlot(const char* text) override;
    void EmitSeparator(bool force) override;

    void Translate();
    void Advance();
    int NextCharacter();
    void AppendPhoneme(char c);
    // Appends phonemes without recording a slot; blanks and the separator give one separator.
    void AppendPhonemeText(const char* text, size_t length);
    void AddSlotText(const char* text, size_t length, bool newSlot);
    void AddAlternative(const char* text, size_t length);
    void CommitAlternatives();
    void FinishMarker(TranscriptMarker& marker);

    void ReadTag(TranscriptMarker& marker);
    void ReadWord();
    bool LookupWord(const char* word, int length);
    void EmitWord(const char* word, int length);
    void SpellLetter(int c);
    void SpellWord(const char* word, int length);
    void AddBreathSlot(bool withSilence);

    // Numbers, money, addresses and titles (transcriber_numbers.cpp).
    bool SayScale(int32_t* n, int32_t scale, LtsWord word, LtsWord finalWord);
    bool ReadDigits(uint32_t* value, std::string* digits);
    void SpellDigits(const std::string& digits);
    void ReadNumber();
    void ReadMoney();
    void ReadWebAddress();
    void ReadEmail(const char* word, int length);
    void ReadTitle(const char* word, int length);

    int32_t refCount_ = 1;
    bool autoBreath_ = false;
    TranscriberInfo info_{};
    std::vector<std::vector<std::string>> pendingSlots_;
    std::vector<std::string> pendingAlternatives_;
    CPronunciationDictionary* dictionary_ = nullptr;
    bool ownsDictionary_ = false;
    TArray<int32_t> input_;
    TArray<char> phonemes_;
    int32_t readIndex_ = 0;
    int32_t position_ = 0;
    CProgress* progress_ = nullptr;
    bool cancelled_ = false;
    TArray<TranscriptMarker> markers_;
    int c0_ = 0, c1_ = 0, c2_ = 0, c3_ = 0;
    bool spellingDigits_ = false; // the digit run at c0_ goes on one that was too long to read
    std::unique_ptr<CLetterToSoundRules> rules_;
    char* transcription_ = nullptr; // MemAlloc'd copy handed out by GetTranscription
    std::string phoneConstraints_;
    SlotArena arena_;
    std::string wordBuffer_;
    std::vector<ScriptWarning> warnings_;
    // The last input positions of '}', ']' and '>' (-1 when none): a bracket opened after them is
    // never closed.
    int32_t lastBrace_ = -1, lastBracket_ = -1, lastAngle_ = -1;

    void WarnUnclosed(int open, int close);

};
