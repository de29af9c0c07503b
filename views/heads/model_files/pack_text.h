// The checked reads every section of a compiled character pack is built from: a count that the
// bytes left can hold, and a length-prefixed text.
#pragma once

#include <cstdint>
#include <string>

#include "views/heads/model_files/byte_stream.h"

// Reads a count of items of at least min_item_bytes each; fails with a reason naming the items
// when it is negative or more than the remaining bytes can hold.
inline bool ReadPackCount(byte_reader& in, std::size_t min_item_bytes, int32_t& count, const char* what,
                          std::string* error) {
    if (!in.ReadI32(count)) {
        if (error) *error = std::string("the pack ends before its ") + what + " count";
        return false;
    }
    if (count < 0 || static_cast<std::size_t>(count) > in.Remaining() / (min_item_bytes ? min_item_bytes : 1)) {
        if (error) *error = std::string("the pack holds a ") + what + " count (" + std::to_string(count) +
                            ") larger than its data";
        return false;
    }
    return true;
}

inline bool ReadPackText(byte_reader& in, std::string& text, std::string* error) {
    int32_t length;
    if (!ReadPackCount(in, 1, length, "text length", error)) return false;
    const unsigned char* p = in.Take(static_cast<std::size_t>(length));
    text.assign(reinterpret_cast<const char*>(p), static_cast<std::size_t>(length));
    return true;
}
