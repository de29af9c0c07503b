// Fuzz target: the built-in English transcriber on arbitrary script bytes (markup, numbers and
// code page 1252 characters included). The first input byte chooses how the rest arrives: even,
// as code page 1252 bytes straight to the transcriber; odd, as a UTF-8 script file, converted the
// way a script file is read (byte order marks, then the code page), with every marker mapped back
// to the UTF-8 text, and the warnings bounded and inside the text.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "engine/text/lexicon_file.h"
#include "engine/text/text_encoding.h"
#include "engine/text/transcriber.h"
#include "engine/util/built_in_resources.h"
#include "engine/util/resource_data.h"
#include "fuzz/fuzz_support.h"

namespace {

// Scripts are read line by line in the editor; a few kilobytes reach every path.
constexpr size_t kMaxScript = 4096;

CTranscriber* BuiltInTranscriber() {
    static CTranscriber* transcriber = [] {
        int size = 0;
        const void* text = LoadResourceDataById(nullptr, kBuiltInResourceType, kDictionaryResourceId, &size, false);
        CTranscriber* made = nullptr;
        if (text) CreateDefaultTranscriber(static_cast<const char*>(text), size, &made);
        return made;
    }();
    return transcriber;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CTranscriber* transcriber = BuiltInTranscriber();
    if (!transcriber) std::abort();
    if (size < 1 || size > kMaxScript) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const bool utf8 = data[0] & 1;
    Cp1252Text converted;
    std::vector<ScriptWarning> warnings;
    std::string decoded;
    if (utf8) {
        // As a script file is read: byte order marks first, then the code page conversion.
        decoded = DecodeScriptBytes(input, &warnings);
        converted = ConvertUtf8ToCp1252(decoded, &warnings);
        if (warnings.size() > 2 * static_cast<size_t>(kMaxScriptWarnings)) std::abort();
        for (const ScriptWarning& w : warnings)
            if (w.offset < 0 || w.line < 1 || static_cast<size_t>(w.offset) > std::max(input.size(), decoded.size()))
                std::abort();
    } else {
        converted.bytes = std::string(input);
        (void)ConvertCp1252ToUtf8(input);
    }
    // The engine reads the text up to its first NUL.
    const std::string script(converted.bytes.c_str());
    transcriber->Transcribe(script.c_str());
    if (transcriber->GetWarnings().size() > static_cast<size_t>(kMaxScriptWarnings)) std::abort();
    for (const ScriptWarning& w : transcriber->GetWarnings())
        if (w.offset < 0 || static_cast<size_t>(w.offset) > script.size()) std::abort();
    int count = 0;
    TranscriptMarker* markers = transcriber->GetOutputMarkers(&count);
    const char* phonemes = transcriber->GetTranscription();
    const int phonemeLength = phonemes ? static_cast<int>(std::string(phonemes).size()) : 0;
    // Every marker must point inside the text and the phoneme string.
    for (int i = 0; i < count; ++i) {
        const TranscriptMarker& m = markers[i];
        if (m.textStart < 0 || m.textEnd < m.textStart || m.textEnd > static_cast<int>(script.size())) std::abort();
        if (m.phonemeStart < 0 || m.phonemeStart > phonemeLength + 1) std::abort();
        if (utf8) {
            const int32_t start = converted.Utf8Offset(m.textStart);
            const int32_t end = converted.Utf8Offset(m.textEnd);
            if (start < 0 || end < start || end > static_cast<int32_t>(decoded.size())) std::abort();
        }
        for (int s = 0; s < m.slotCount; ++s) {
            for (int a = 0; a < m.slots[s].count; ++a) (void)std::string(m.slots[s].strings[a]);
        }
    }
    return 0;
}
