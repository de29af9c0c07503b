// The pronunciation dictionary: upper-case words with one or more pronunciations (phoneme codes
// back to back), held in one pool and looked up by binary search. Made from the built-in text
// ("WORD=phones" lines) or from the binary form inside a lexicon file; read by the transcriber.
#pragma once

#include <cstdint>
#include <cstdio>

#include "engine/util/t_array.h"

// Words and pronunciations point into the dictionary's pool and are not NUL-terminated.
struct DictionaryEntry {
    const char* word;
    uint16_t wordLength;
    const char* phones;
    uint16_t phonesLength;
};

// Lookups compare words under the standard library's tolower in the locale in force, so they must
// not run while another thread switches the locale. One thread at a time; no lock.
class CPronunciationDictionary {
public:
    CPronunciationDictionary();
    CPronunciationDictionary(const CPronunciationDictionary&) = delete;
    CPronunciationDictionary& operator=(const CPronunciationDictionary&) = delete;
    virtual ~CPronunciationDictionary();
    // Deletes the object.
    virtual void Destroy();

    // Whole-word match; copies the pronunciation of the entry the search lands on into out with a
    // NUL behind it. False for an empty dictionary, a word longer than 511 bytes, no match, or a
    // pronunciation that does not fit in outSize bytes.
    virtual bool LookupFirst(const char* word, int length, char* out, int outSize) const;
    // The index-th pronunciation of the word (0 is the first).
    virtual bool Lookup(const char* word, uint16_t length, int index, DictionaryEntry* out) const;
    // Replaces the contents with the entries of the text's "WORD=phones" lines, in their order.
    // False only when memory runs out.
    virtual bool LoadText(const char* text, int size);
    // Writes the binary form; false when a write fails.
    virtual bool SaveBinary(FILE* file) const;
    // Replaces the contents with the binary form at the cursor and moves the cursor past it.
    // 0; 12 when a size, count or entry does not fit the bytes present; 1 when memory runs out.
    virtual int LoadBinary(const void** cursor, int* remaining);

    // Made from a text; null when memory runs out.
    static CPronunciationDictionary* CreateFromText(const char* text, int size);

    // The order of the entries: bytes compared in turn after tolower, as unsigned values; a NUL
    // ends the comparison; when no byte differs the shorter word comes first. Negative, 0 or
    // positive.
    static int CompareWords(const char* a, uint16_t aLength, const char* b, uint16_t bLength);

    // The index of the word's first entry, or -1 when the dictionary does not have it.
    int Find(const char* word, uint16_t length) const;
    // True when the entry at index is one of the word's.
    bool IsEntryOf(int index, const char* word, uint16_t length) const;

    int GetCount() const { return entries_.count; }
    const DictionaryEntry& GetEntry(int index) const { return entries_.data[index]; }

private:
    void Reset();
    // Index of the first entry not less than the word.
    int LowerBound(const char* word, uint16_t length) const;

    char* pool_ = nullptr; // MemAlloc'd
    int32_t poolSize_ = 0;
    TArray<DictionaryEntry> entries_;
};
