// Lexicon file header, packed block and the transcribers made from them (reader and writer side by
// side), and the built-in language's transcriber.
#include "engine/text/lexicon_file.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "engine/api/error_messages.h"
#include "engine/api/sdk_log.h"
#include "engine/util/memory_buffer.h"
#include "engine/text/letter_to_sound_rules.h"
#include "engine/text/pronunciation_dictionary.h"
#include "engine/text/transcriber.h"
#include "engine/util/binary_io.h"
#include "engine/util/file_utils.h"

namespace {

// Copies a header string into a 64-byte field; longer texts are cut to 63 characters.
void CopyField(char (&field)[64], const char* text) {
    std::strncpy(field, text, sizeof(field) - 1);
    field[sizeof(field) - 1] = 0;
}

struct LexiconHeader {
    TranscriberInfo info{};
    const char* phoneConstraints = nullptr;
    int phoneConstraintsLength = 0;
};

// Reads the header at the cursor and leaves the cursor behind it.
int ReadHeader(const unsigned char** cursor, unsigned* remaining, LexiconHeader* header) {
    bool ok = false;
    if (ReadInt32(cursor, remaining, &ok) != kLexiconMagic || !ok) return kErrBadData;
    const auto version = static_cast<int16_t>(ReadInt16(cursor, remaining, &ok));
    if (!ok) return kErrNewerVersion;
    if (version > kLexiconVersion) return kErrNewerVersion;
    const char* name = ReadString(cursor, remaining, &ok);
    if (!ok) return kErrBadData;
    CopyField(header->info.name, name);
    header->info.id = ReadInt32(cursor, remaining, &ok);
    if (!ok) return kErrBadData;
    header->info.flags = ReadInt32(cursor, remaining, &ok);
    if (!ok) return kErrBadData;
    if (header->info.flags & kLanguageHasLocale) {
        const char* locale = ReadString(cursor, remaining, &ok);
        if (!ok) return kErrBadData;
        CopyField(header->info.locale, locale);
    }
    if (header->info.flags & kLanguageHasPhoneConstraints) {
        const char* text = ReadString(cursor, remaining, &ok);
        if (!ok) return kErrBadData;
        header->phoneConstraints = text;
        header->phoneConstraintsLength = static_cast<int>(std::strlen(text));
    }
    return kErrNone;
}

// A FILE in memory for the writers of the packed parts; removed when closed.
struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

bool ReadWhole(FILE* f, std::vector<unsigned char>* bytes) {
    if (std::fseek(f, 0, SEEK_END) != 0) return false;
    const long size = std::ftell(f);
    if (size < 0 || std::fseek(f, 0, SEEK_SET) != 0) return false;
    bytes->resize(static_cast<size_t>(size));
    return size == 0 || std::fread(bytes->data(), 1, bytes->size(), f) == bytes->size();
}

}  // namespace

int ReadLexiconInfo(const void* data, int size, TranscriberInfo* info) {
    if (data == nullptr || size < 0) return kErrBadData;
    const auto* cursor = static_cast<const unsigned char*>(data);
    auto remaining = static_cast<unsigned>(size);
    LexiconHeader header;
    const int code = ReadHeader(&cursor, &remaining, &header);
    if (code == kErrNone && info) *info = header.info;
    return code;
}

int LoadLexiconData(const void* data, int size, CTranscriber** out) {
    if (out) *out = nullptr;
    if (out == nullptr || data == nullptr || size < 0) return kErrBadData;
    const auto* cursor = static_cast<const unsigned char*>(data);
    auto remaining = static_cast<unsigned>(size);
    LexiconHeader header;
    int code = ReadHeader(&cursor, &remaining, &header);
    if (code != kErrNone) return code;

    // The packed block runs to the end of the file; its reader bounds the unpacked size by what
    // zlib could have made of the bytes present.
    CPackedBuffer packed;
    if (!packed.SetBytes(cursor, remaining)) return kErrOutOfMemory;
    unsigned unpackedSize = 0;
    const std::unique_ptr<unsigned char[]> unpacked = packed.Unpack(&unpackedSize);
    if (!unpacked || unpackedSize > static_cast<unsigned>(INT32_MAX)) return kErrBadData;

    std::unique_ptr<CLetterToSoundRules> rules(new (std::nothrow) CLetterToSoundRules());
    if (!rules) return kErrOutOfMemory;
    const void* blockCursor = unpacked.get();
    int blockRemaining = static_cast<int>(unpackedSize);
    char errorText[kLtsErrorTextSize];
    code = rules->LoadBinary(&blockCursor, &blockRemaining, errorText);
    if (code != kErrNone) return code;

    // One int32 sits between the rule set and the dictionary; nothing reads its value.
    if (blockRemaining < 4) return kErrBadData;
    blockCursor = static_cast<const unsigned char*>(blockCursor) + 4;
    blockRemaining -= 4;

    std::unique_ptr<CPronunciationDictionary> dictionary(new (std::nothrow) CPronunciationDictionary());
    if (!dictionary) return kErrOutOfMemory;
    code = dictionary->LoadBinary(&blockCursor, &blockRemaining);
    if (code != kErrNone) return code;

    auto* transcriber = new (std::nothrow) CTranscriber(dictionary.get(), rules.get());
    if (transcriber == nullptr) return kErrOutOfMemory;
    dictionary.release();
    rules.release();
    transcriber->setTranscriberInfo(&header.info);
    transcriber->SetPhoneConstraints(header.phoneConstraints, header.phoneConstraintsLength);
    *out = transcriber;
    return kErrNone;
}

int LoadLexiconFile(const char* path, CTranscriber** out) {
    if (out) *out = nullptr;
    if (const int notFile = NotOrdinaryFileCode(path)) return notFile;
    CMemoryBuffer file;
    if (!file.LoadFile(path)) return kErrFileNotFound;
    if (file.size > static_cast<unsigned>(INT32_MAX)) return kErrBadLexicon;
    const int code = LoadLexiconData(file.data.get(), static_cast<int>(file.size), out);
    return code == kErrBadData ? kErrBadLexicon : code;
}

int CreateDefaultTranscriber(const char* text, int length, CTranscriber** out) {
    CFuncTrace trace("CreateDefaultTranscriber");
    if (out) *out = nullptr;
    if (out == nullptr) return kErrInvalidArgument;
    CPronunciationDictionary* dictionary = CPronunciationDictionary::CreateFromText(text, length);
    if (dictionary == nullptr) return kErrOutOfMemory;
    auto* transcriber = new (std::nothrow) CTranscriber(dictionary, true);
    if (transcriber == nullptr) {
        dictionary->Destroy();
        return kErrOutOfMemory;
    }
    *out = transcriber;
    return kErrNone;
}

void DestroyTranscriber(CTranscriber* transcriber) {
    CFuncTrace trace("DestroyTranscriber");
    if (transcriber) transcriber->Release();
}

int WriteLexiconFile(const char* path, const TranscriberInfo& info, const std::string& phoneConstraints,
                     const CLetterToSoundRules& rules, const CPronunciationDictionary& dictionary) {
    // The block's parts are written through a scratch file, then packed in one piece.
    FilePtr scratch(std::tmpfile());
    if (!scratch) return kErrFileInUse;
    std::vector<unsigned char> block;
    if (!rules.SaveBinary(scratch.get()) || !WriteInt32(scratch.get(), 0) || !dictionary.SaveBinary(scratch.get()) ||
        !ReadWhole(scratch.get(), &block))
        return kErrFileInUse;
    if (block.size() > static_cast<size_t>(INT32_MAX)) return kErrOutOfMemory;

    uLongf packedSize = compressBound(static_cast<uLong>(block.size()));
    std::vector<unsigned char> packed(packedSize);
    if (compress2(packed.data(), &packedSize, block.data(), static_cast<uLong>(block.size()), Z_DEFAULT_COMPRESSION) !=
        Z_OK)
        return kErrOutOfMemory;

    if (path == nullptr) return kErrFileInUse;
    TranscriberInfo header = info;
    header.name[sizeof(header.name) - 1] = 0;
    header.locale[sizeof(header.locale) - 1] = 0;
    // Saved through the safe save: a failed write keeps the old file.
    const bool ok = SaveFileThroughStdio(path, [&](FILE* f) {
        bool written = WriteInt32(f, kLexiconMagic) && WriteInt16(f, kLexiconVersion) &&
                       WriteString(f, header.name) && WriteInt32(f, header.id) && WriteInt32(f, header.flags);
        if (header.flags & kLanguageHasLocale) written = written && WriteString(f, header.locale);
        if (header.flags & kLanguageHasPhoneConstraints) written = written && WriteString(f, phoneConstraints.c_str());
        return written && WriteInt32(f, kPackedBlockMagic) && WriteInt32(f, static_cast<int32_t>(block.size())) &&
               WriteBytes(f, packed.data(), packedSize);
    });
    return ok ? kErrNone : kErrFileInUse;
}
