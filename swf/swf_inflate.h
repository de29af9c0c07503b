// zlib streams inside SWF files: the compressed file body and the pixel data of bitmap tags. One
// bounded inflate for both, so no caller ever allocates more than its limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The most a compressed file body may inflate to. A character template holds shapes, sprites and a
// few bitmaps that stay zlib-packed inside the body, so real ones inflate to kilobytes or a few
// megabytes; 64 MiB leaves them ample room, while the header's length field (up to 4 GiB) and a
// body that inflates a thousandfold cannot make a 1 MB file take gigabytes.
constexpr uint64_t kSwfMaxBodyBytes = 64ull << 20;

// Appends the inflated bytes of src to out until out holds `limit` bytes or the stream ends.
// Output grows only as the data really inflates, and its capacity never passes `limit`. False for
// a corrupt stream; `ended` says whether the zlib stream reached its end (a stream cut short leaves
// it false).
bool InflateSwfData(const uint8_t* src, size_t size, uint64_t limit, std::vector<uint8_t>& out, bool& ended);

// Exactly `expected` bytes from a zlib stream that may hold more; false when it holds fewer or is
// corrupt.
bool InflateSwfDataExactly(const std::vector<uint8_t>& in, size_t skip, size_t expected, std::vector<uint8_t>& out);

// Inflates a compressed file body (src: the bytes after the 8-byte header) and appends it to out.
// `declared` is the body's length by the header: more data is cut there, a stream that ends sooner
// is taken as it is. The body is inflated once to measure it (into a small scratch buffer) and then
// into exactly that much memory, so nothing is allocated for a body that is refused. False with a
// text in `error` when the stream is corrupt, ends before `declared` bytes without its end mark, or
// inflates past kSwfMaxBodyBytes.
bool InflateSwfBody(const uint8_t* src, size_t size, uint64_t declared, std::vector<uint8_t>& out,
                    std::string& error);
