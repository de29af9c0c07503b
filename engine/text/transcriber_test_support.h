// Test helpers shared by the text tests: the built-in dictionary from the resource table, and a
// readable description of a transcription (phoneme string and one line per marker).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/text/lexicon_file.h"
#include "engine/text/text_encoding.h"
#include "engine/text/transcriber.h"
#include "engine/util/built_in_resources.h"
#include "engine/util/resource_data.h"

// The built-in dictionary text as the program embeds it (engine/util/built_in_resources.h).
inline std::string BuiltInDictionaryText() {
    int size = 0;
    const void* data = LoadResourceDataById(nullptr, kBuiltInResourceType, kDictionaryResourceId, &size, false);
    return data ? std::string(static_cast<const char*>(data), static_cast<size_t>(size)) : std::string();
}

struct TranscriberDeleter {
    void operator()(CTranscriber* t) const { DestroyTranscriber(t); }
};
using TranscriberPtr = std::unique_ptr<CTranscriber, TranscriberDeleter>;

inline TranscriberPtr MakeDefaultTranscriber(const std::string& dictionaryText) {
    CTranscriber* t = nullptr;
    CreateDefaultTranscriber(dictionaryText.data(), static_cast<int>(dictionaryText.size()), &t);
    return TranscriberPtr(t);
}

// One line per marker: a kind letter (W word, M markup, C cut, P punctuation), the marker's text
// sliced from the user's UTF-8 text through the offset map, its phonemes in brackets, "=value"
// for a cut, "!" when a pause is allowed, then each slot's alternatives in braces.
inline std::vector<std::string> DescribeMarkers(CTranscriber& t, const std::string& utf8, const Cp1252Text& converted) {
    std::vector<std::string> lines;
    int count = 0;
    const TranscriptMarker* markers = t.GetOutputMarkers(&count);
    const std::string phonemes = t.GetTranscription();
    for (int i = 0; i < count; ++i) {
        const TranscriptMarker& m = markers[i];
        std::string line(1, "?WMCP"[m.kind >= 1 && m.kind <= 4 ? m.kind : 0]);
        const int32_t from = converted.Utf8Offset(m.textStart), to = converted.Utf8Offset(m.textEnd);
        line += "'" + utf8.substr(static_cast<size_t>(from), static_cast<size_t>(to - from)) + "'[";
        if (m.phonemeEnd >= m.phonemeStart)
            line += phonemes.substr(static_cast<size_t>(m.phonemeStart), static_cast<size_t>(m.phonemeEnd - m.phonemeStart + 1));
        line += "]";
        if (m.value != -1) line += "=" + std::to_string(m.value);
        if (m.flags & kTranscriptPauseAllowed) line += "!";
        for (int s = 0; s < m.slotCount; ++s) {
            line += "{";
            for (int a = 0; a < m.slots[s].count; ++a) line += (a ? "|" : "") + std::string(m.slots[s].strings[a]);
            line += "}";
        }
        lines.push_back(line);
    }
    return lines;
}

// Transcribes UTF-8 text the way the program does (converted to code page 1252 first).
inline std::vector<std::string> TranscribeUtf8(CTranscriber& t, const std::string& utf8, std::string* phonemes) {
    const Cp1252Text converted = ConvertUtf8ToCp1252(utf8);
    t.Transcribe(converted.bytes.c_str());
    if (phonemes) *phonemes = t.GetTranscription();
    return DescribeMarkers(t, utf8, converted);
}
