// Pronunciation dictionary lookups and its text and binary forms (readers and writer side by side).
#include "engine/text/pronunciation_dictionary.h"

#include <bit>
#include <cctype>
#include <cstring>
#include <new>

#include "engine/util/binary_io.h"
#include "engine/util/built_in_resources.h"
#include "engine/util/mem_alloc.h"
#include "engine/util/resource_data.h"

namespace {

constexpr int kTextGrowBy = 4096;
constexpr int kLongestLookupFirstWord = 511;

// The entry table that the build makes from the built-in dictionary text.
const char kBuiltInTableName[] = "DICTIONARY_TABLE";

// Entry table: magic, text size, entry count, record size (int32 each, little-endian), then the
// records as DictionaryRecord lays them out, used in place on a little-endian machine.
constexpr uint32_t kTableMagic = 0x5444584D; // "MXDT"
constexpr int kTableHeaderBytes = 16;

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

CPronunciationDictionary::CPronunciationDictionary() : entries_(kTextGrowBy) {}

CPronunciationDictionary::~CPronunciationDictionary() { MemFree(ownedPool_); }

void CPronunciationDictionary::Destroy() { delete this; }

CPronunciationDictionary* CPronunciationDictionary::CreateFromText(const char* text, int size) {
    auto* dictionary = new (std::nothrow) CPronunciationDictionary();
    if (dictionary == nullptr) return nullptr;
    int builtInSize = 0;
    int tableSize = 0;
    if (text != nullptr && text == LoadResourceDataById(nullptr, kBuiltInResourceType, kDictionaryResourceId, &builtInSize, false) &&
        size == builtInSize) {
        const void* table = LoadResourceData(nullptr, kBuiltInResourceType, kBuiltInTableName, &tableSize, false);
        if (table != nullptr && dictionary->AttachTable(text, size, table, tableSize)) return dictionary;
    }
    if (!dictionary->LoadText(text, size)) {
        dictionary->Destroy();
        return nullptr;
    }
    return dictionary;
}

void CPronunciationDictionary::Reset() {
    entries_.RemoveAll();
    MemFree(ownedPool_);
    ownedPool_ = nullptr;
    pool_ = nullptr;
    poolSize_ = 0;
    records_ = nullptr;
    count_ = 0;
}

void CPronunciationDictionary::UseOwnedEntries() {
    pool_ = ownedPool_;
    records_ = entries_.data;
    count_ = entries_.count;
}

int CPronunciationDictionary::CompareWords(const char* a, uint16_t aLength, const char* b, uint16_t bLength) {
    const uint16_t n = aLength < bLength ? aLength : bLength;
    for (uint16_t k = 0; k < n; ++k) {
        const auto ca = static_cast<unsigned char>(a[k]);
        const auto cb = static_cast<unsigned char>(b[k]);
        if (ca == 0 || cb == 0) {
            if (ca == cb) return 0;
            return ca == 0 ? -1 : 1;
        }
        const auto la = static_cast<unsigned char>(std::tolower(ca));
        const auto lb = static_cast<unsigned char>(std::tolower(cb));
        if (la != lb) return la < lb ? -1 : 1;
    }
    if (aLength == bLength) return 0;
    return aLength < bLength ? -1 : 1;
}

int CPronunciationDictionary::LowerBound(const char* word, uint16_t length) const {
    int lo = 0, hi = count_;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        const DictionaryEntry e = GetEntry(mid);
        if (CompareWords(e.word, e.wordLength, word, length) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

bool CPronunciationDictionary::IsEntryOf(int index, const char* word, uint16_t length) const {
    if (index < 0 || index >= count_) return false;
    const DictionaryEntry e = GetEntry(index);
    return e.wordLength == length && CompareWords(e.word, e.wordLength, word, length) == 0;
}

int CPronunciationDictionary::Find(const char* word, uint16_t length) const {
    if (word == nullptr) return -1;
    const int first = LowerBound(word, length);
    return IsEntryOf(first, word, length) ? first : -1;
}

bool CPronunciationDictionary::Lookup(const char* word, uint16_t length, int index, DictionaryEntry* out) const {
    if (index < 0) return false;
    const int first = Find(word, length);
    if (first < 0 || index >= count_ - first || !IsEntryOf(first + index, word, length)) return false;
    if (out) *out = GetEntry(first + index);
    return true;
}

bool CPronunciationDictionary::LookupFirst(const char* word, int length, char* out, int outSize) const {
    if (count_ == 0 || word == nullptr || length < 0 || length > kLongestLookupFirstWord) return false;
    // The word with a NUL behind it, so that an entry longer than the word compares greater.
    char key[kLongestLookupFirstWord + 1];
    std::memcpy(key, word, static_cast<size_t>(length));
    key[length] = 0;
    int lo = 0, hi = count_ - 1;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const DictionaryEntry e = GetEntry(mid);
        // Over the entry's length; the word's NUL stops the comparison where the word ends.
        const uint16_t over = e.wordLength <= length ? e.wordLength : static_cast<uint16_t>(length + 1);
        int c = CompareWords(e.word, over, key, over);
        if (c == 0 && length > e.wordLength) c = -1; // the word is longer: move on
        if (c == 0) {
            if (out == nullptr || outSize <= e.phonesLength) return false;
            std::memcpy(out, e.phones, e.phonesLength);
            out[e.phonesLength] = 0;
            return true;
        }
        if (c < 0)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return false;
}

bool CPronunciationDictionary::LoadText(const char* text, int size) {
    Reset();
    entries_.growBy = kTextGrowBy;
    if (size < 0 || (text == nullptr && size > 0)) return false;
    ownedPool_ = static_cast<char*>(MemAlloc(static_cast<size_t>(size) + 1, 0));
    if (ownedPool_ == nullptr) return false;
    if (size > 0) std::memcpy(ownedPool_, text, static_cast<size_t>(size));
    ownedPool_[size] = 0;
    poolSize_ = size;
    pool_ = ownedPool_;

    const char* p = ownedPool_;
    const char* end = ownedPool_ + size;
    // Every entry takes a line, so the lines bound the entries: one allocation instead of one per
    // growth step, each of which would fault its pages in afresh.
    int lines = 1;
    for (const char* q = p; (q = static_cast<const char*>(std::memchr(q, '\n', static_cast<size_t>(end - q)))) != nullptr; ++q)
        ++lines;
    if (!entries_.Reserve(lines)) {
        Reset();
        return false;
    }
    while (p < end && IsBlank(*p)) ++p;
    while (p < end) {
        const char* word = p;
        const char* eq = p;
        while (eq < end && *eq != '=' && !IsLineEnd(*eq)) ++eq;
        if (eq == end) break;
        if (*eq != '=') {
            // A line without '=' holds no entry; it must not become part of the next line's word.
            p = eq;
            while (p < end && IsBlank(*p)) ++p;
            continue;
        }
        const char* phones = eq + 1;
        while (phones < end && *phones == ' ') ++phones;
        const char* phonesEnd = phones;
        while (phonesEnd < end && !IsLineEnd(*phonesEnd)) ++phonesEnd;
        // Lengths are 16-bit: a longer word or pronunciation cannot be held and its line is skipped.
        const ptrdiff_t wordLength = eq - word;
        const ptrdiff_t phonesLength = phonesEnd - phones;
        if (wordLength > 0 && phonesLength > 0 && wordLength <= UINT16_MAX && phonesLength <= UINT16_MAX) {
            const DictionaryRecord r{static_cast<int32_t>(word - ownedPool_), static_cast<int32_t>(phones - ownedPool_),
                                     static_cast<uint16_t>(wordLength), static_cast<uint16_t>(phonesLength)};
            if (!entries_.Append(r)) {
                Reset();
                return false;
            }
        }
        p = phonesEnd;
        while (p < end && IsBlank(*p)) ++p;
    }
    UseOwnedEntries();
    return true;
}

bool CPronunciationDictionary::AttachTable(const char* text, int size, const void* table, int tableSize) {
    Reset();
    // The records are used as they lie: that needs this machine's byte order and their alignment.
    if constexpr (std::endian::native != std::endian::little) return false;
    if (text == nullptr || size < 0 || table == nullptr || tableSize < kTableHeaderBytes ||
        reinterpret_cast<std::uintptr_t>(table) % alignof(DictionaryRecord) != 0)
        return false;
    const auto* header = static_cast<const unsigned char*>(table);
    const int32_t textSize = static_cast<int32_t>(LoadLE32(header + 4));
    const int32_t count = static_cast<int32_t>(LoadLE32(header + 8));
    if (LoadLE32(header) != kTableMagic || textSize != size || LoadLE32(header + 12) != sizeof(DictionaryRecord) ||
        count < 0 || static_cast<unsigned>(count) > (static_cast<unsigned>(tableSize) - kTableHeaderBytes) / sizeof(DictionaryRecord))
        return false;
    const auto* records = reinterpret_cast<const DictionaryRecord*>(header + kTableHeaderBytes);
    auto inText = [size](int32_t offset, uint16_t length) { return offset >= 0 && offset <= size && length <= size - offset; };
    for (int32_t k = 0; k < count; ++k) {
        if (!inText(records[k].wordOffset, records[k].wordLength) || !inText(records[k].phonesOffset, records[k].phonesLength))
            return false;
    }
    pool_ = text;
    poolSize_ = size;
    records_ = records;
    count_ = count;
    return true;
}

bool CPronunciationDictionary::WriteTable(FILE* f) const {
    if (f == nullptr || pool_ == nullptr) return false;
    bool ok = WriteInt32(f, static_cast<int32_t>(kTableMagic)) && WriteInt32(f, poolSize_) && WriteInt32(f, count_) &&
              WriteInt32(f, static_cast<int32_t>(sizeof(DictionaryRecord)));
    for (int k = 0; k < count_ && ok; ++k) {
        const DictionaryRecord& r = records_[k];
        ok = WriteInt32(f, r.wordOffset) && WriteInt32(f, r.phonesOffset) && WriteInt16(f, r.wordLength) &&
             WriteInt16(f, r.phonesLength);
    }
    return ok;
}

int CPronunciationDictionary::LoadBinary(const void** cursor, int* remaining) {
    Reset();
    if (cursor == nullptr || *cursor == nullptr || remaining == nullptr || *remaining < 0) return 12;
    const auto* start = static_cast<const unsigned char*>(*cursor);
    const unsigned char* p = start;
    unsigned rest = static_cast<unsigned>(*remaining);
    bool ok = false;

    const int32_t poolSize = ReadInt32(&p, &rest, &ok);
    if (!ok || poolSize < 0 || static_cast<unsigned>(poolSize) > rest) return 12;
    ownedPool_ = static_cast<char*>(MemAlloc(static_cast<size_t>(poolSize) + 1, 0));
    if (ownedPool_ == nullptr) return 1;
    std::memcpy(ownedPool_, p, static_cast<size_t>(poolSize));
    ownedPool_[poolSize] = 0;
    poolSize_ = poolSize;
    p += poolSize;
    rest -= static_cast<unsigned>(poolSize);

    const int32_t count = ReadInt32(&p, &rest, &ok);
    // Each entry takes 12 bytes, so a count beyond what remains cannot be read.
    constexpr unsigned kEntryBytes = 12;
    if (!ok || count < 0 || static_cast<unsigned>(count) > rest / kEntryBytes) {
        Reset();
        return 12;
    }
    entries_.growBy = count > 0 ? count : 1;
    if (!entries_.Reserve(count)) {
        Reset();
        return 1;
    }
    for (int32_t k = 0; k < count; ++k) {
        const int32_t wordOffset = ReadInt32(&p, &rest, &ok);
        const uint16_t wordLength = ok ? ReadInt16(&p, &rest, &ok) : 0;
        const int32_t phonesOffset = ok ? ReadInt32(&p, &rest, &ok) : 0;
        const uint16_t phonesLength = ok ? ReadInt16(&p, &rest, &ok) : 0;
        auto inPool = [&](int32_t offset, uint16_t length) {
            return offset >= 0 && offset <= poolSize && length <= poolSize - offset;
        };
        if (!ok || !inPool(wordOffset, wordLength) || !inPool(phonesOffset, phonesLength)) {
            Reset();
            return 12;
        }
        entries_.data[entries_.count++] = DictionaryRecord{wordOffset, phonesOffset, wordLength, phonesLength};
    }
    UseOwnedEntries();
    const auto consumed = static_cast<int>(p - start);
    *cursor = p;
    *remaining -= consumed;
    return 0;
}

bool CPronunciationDictionary::SaveBinary(FILE* f) const {
    if (f == nullptr) return false;
    bool ok = WriteInt32(f, poolSize_) && WriteBytes(f, pool_, static_cast<size_t>(poolSize_)) && WriteInt32(f, count_);
    for (int k = 0; k < count_ && ok; ++k) {
        const DictionaryRecord& r = records_[k];
        ok = WriteInt32(f, r.wordOffset) && WriteInt16(f, r.wordLength) && WriteInt32(f, r.phonesOffset) &&
             WriteInt16(f, r.phonesLength);
    }
    return ok;
}
