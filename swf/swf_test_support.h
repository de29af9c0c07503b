// Helpers shared by the SWF library's tests: byte lists, writing a tag to bytes, reading tags back,
// loading and writing whole movies, and a visitor that records what the reader told it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "swf/flash_header.h"
#include "swf/flash_movie.h"
#include "swf/flash_stream.h"
#include "swf/flash_tag.h"
#include "swf/flash_tag_reader.h"
#include "swf/flash_visitor.h"

inline std::vector<uint8_t> Bytes(std::initializer_list<int> list) {
    std::vector<uint8_t> out;
    for (int b : list) out.push_back(static_cast<uint8_t>(b));
    return out;
}

inline std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A tag (or record) written to a fresh stream of the given SWF version.
template <typename T>
std::vector<uint8_t> WrittenBytes(T& item, uint8_t version = 6) {
    flash_ostream out;
    out.version = version;
    item.Write(out);
    return out.bytes();
}

// Remembers the reader's reports.
class RecordingVisitor : public FDefinedVisitor {
public:
    void ExtraTagData(uint32_t count, FlashTagHeader& header) override {
        extra.push_back(count);
        extraCodes.push_back(header.code);
    }
    void TagReadTooFar(uint32_t count, FlashTagHeader& header) override {
        tooFar.push_back(count);
        tooFarCodes.push_back(header.code);
    }
    void VisitOtherTag(FlashTag& tag) override { others.push_back(tag.code); }
    void VisitEnd(FlashTagEnd&) override { ++ends; }
    void VisitHeader(FlashHeader&) override { ++headers; }

    std::vector<uint32_t> extra, tooFar;
    std::vector<uint16_t> extraCodes, tooFarCodes, others;
    int ends = 0;
    int headers = 0;
};

// Reads one tag from bytes with the given stream version.
inline std::unique_ptr<FlashTag> ReadOneTag(const std::vector<uint8_t>& bytes, uint8_t version = 6,
                                            FVisitor* visitor = nullptr, bool* more = nullptr) {
    flash_istream in(bytes.data(), bytes.size());
    in.version = version;
    std::unique_ptr<FlashTag> tag;
    bool result = ReadFlashTag(in, tag, visitor);
    if (more) *more = result;
    return tag;
}

// One tag read back from bytes as the type T it must decode to; a default T (and a failure) when
// it decodes to anything else.
template <typename T>
T ReadTagBack(const std::vector<uint8_t>& bytes) {
    auto tag = ReadOneTag(bytes);
    auto* typed = dynamic_cast<T*>(tag.get());
    EXPECT_NE(typed, nullptr);
    return typed ? *typed : T();
}

// A whole movie loaded from bytes; errors collects the loader's texts.
inline bool LoadMovie(FSWFMovie& movie, const std::vector<uint8_t>& bytes, std::vector<std::string>& errors) {
    flash_istream in(bytes.data(), bytes.size());
    return movie.Load(in, errors);
}

// A whole movie written to bytes.
inline std::vector<uint8_t> WrittenMovie(FSWFMovie& movie) {
    flash_ostream out;
    movie.Write(out);
    return out.bytes();
}
