// The pronunciation dictionary: upper-case words with one or more pronunciations (phoneme codes
// back to back), held in one pool and looked up by binary search. Made from the built-in text
// ("WORD=phones" lines, or that text with its entry table made at build time, both used in place)
// or from the binary form inside a lexicon file; read by the transcriber.
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

// One entry as the dictionary keeps it: offsets into the pool, so that a table made ahead of time
// can be used where it lies.
struct DictionaryRecord {
    int32_t wordOffset;
    int32_t phonesOffset;
    uint16_t wordLength;
    uint16_t phonesLength;
};
static_assert(sizeof(DictionaryRecord) == 12);

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

    // Made from a text; null when memory runs out. The program's built-in dictionary text (the
    // resource itself, not a copy) is used in place with the entry table made from it at build
    // time, when that table is linked in; any other text is read with LoadText.
    static CPronunciationDictionary* CreateFromText(const char* text, int size);

    // Uses text and an entry table that WriteTable made from it where they lie, copying neither;
    // both must outlive the dictionary. False, leaving the dictionary empty, when the table is not
    // one made from a text of this size or an entry lies outside the text.
    bool AttachTable(const char* text, int size, const void* table, int tableSize);
    // Writes the entry table of the text last read by LoadText (see AttachTable); false when a
    // write fails or the dictionary holds no text.
    bool WriteTable(FILE* file) const;

    // The order of the entries: bytes compared in turn after tolower, as unsigned values; a NUL
    // ends the comparison; when no byte differs the shorter word comes first. Negative, 0 or
    // positive.
    static int CompareWords(const char* a, uint16_t aLength, const char* b, uint16_t bLength);

    // The index of the word's first entry, or -1 when the dictionary does not have it.
    int Find(const char* word, uint16_t length) const;
    // True when the entry at index is one of the word's.
    bool IsEntryOf(int index, const char* word, uint16_t length) const;

    int GetCount() const { return count_; }
    DictionaryEntry GetEntry(int index) const {
        const DictionaryRecord& r = records_[index];
        return DictionaryEntry{pool_ + r.wordOffset, r.wordLength, pool_ + r.phonesOffset, r.phonesLength};
    }

private:
    void Reset();
    // Index of the first entry not less than the word.
    int LowerBound(const char* word, uint16_t length) const;
    // Makes the owned entries the ones in use.
    void UseOwnedEntries();

    const char* pool_ = nullptr; // ownedPool_ or a text used in place
    int32_t poolSize_ = 0;
    const DictionaryRecord* records_ = nullptr; // entries_.data or a table used in place
    int32_t count_ = 0;
    char* ownedPool_ = nullptr; // MemAlloc'd
    TArray<DictionaryRecord> entries_;
};
