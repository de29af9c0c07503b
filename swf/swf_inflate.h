// zlib streams inside SWF files: the compressed file body and the pixel data of bitmap tags. One
// bounded inflate for both, so no caller ever allocates more than its limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Appends the inflated bytes of src to out until out holds `limit` bytes or the stream ends.
// Output grows only as the data really inflates. False for a corrupt stream; `ended` says whether
// the zlib stream reached its end (a stream cut short leaves it false).
bool InflateSwfData(const uint8_t* src, size_t size, uint64_t limit, std::vector<uint8_t>& out, bool& ended);

// Exactly `expected` bytes from a zlib stream that may hold more; false when it holds fewer or is
// corrupt.
bool InflateSwfDataExactly(const std::vector<uint8_t>& in, size_t skip, size_t expected, std::vector<uint8_t>& out);
