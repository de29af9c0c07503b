// Bounded zlib inflating for SWF bodies and bitmap data.
#include "swf/swf_inflate.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace {

// The inflated size of src up to `limit` bytes, without keeping the bytes. False for a corrupt
// stream.
bool MeasureInflatedSize(const uint8_t* src, size_t size, uint64_t limit, uint64_t& count, bool& ended) {
    count = 0;
    ended = false;
    z_stream zs;
    std::memset(&zs, 0, sizeof zs);
    if (inflateInit(&zs) != Z_OK) return false;
    zs.next_in = const_cast<Bytef*>(src);
    zs.avail_in = static_cast<uInt>(size);
    uint8_t scratch[1 << 16];
    int rc = Z_OK;
    while (rc == Z_OK && count < limit) {
        const uInt room = static_cast<uInt>(std::min<uint64_t>(sizeof scratch, limit - count));
        zs.next_out = scratch;
        zs.avail_out = room;
        rc = inflate(&zs, Z_NO_FLUSH);
        count += room - zs.avail_out;
        if (rc == Z_BUF_ERROR && zs.avail_in == 0) break;
        if (rc == Z_BUF_ERROR) rc = Z_OK;  // output was full; go on
    }
    inflateEnd(&zs);
    ended = rc == Z_STREAM_END;
    return rc == Z_OK || rc == Z_STREAM_END || rc == Z_BUF_ERROR;
}

}  // namespace

bool InflateSwfData(const uint8_t* src, size_t size, uint64_t limit, std::vector<uint8_t>& out, bool& ended) {
    ended = false;
    z_stream zs;
    std::memset(&zs, 0, sizeof zs);
    if (inflateInit(&zs) != Z_OK) return false;
    zs.next_in = const_cast<Bytef*>(src);
    zs.avail_in = static_cast<uInt>(size);
    int rc = Z_OK;
    while (rc == Z_OK) {
        if (out.size() >= limit) break;
        size_t have = out.size();
        size_t grow = have < (1u << 20) ? (1u << 16) : have / 2;
        if (have + grow > limit) grow = static_cast<size_t>(limit - have);
        // Reserved by hand: resize alone would double the capacity past the limit.
        if (out.capacity() < have + grow) out.reserve(have + grow);
        out.resize(have + grow);
        zs.next_out = out.data() + have;
        zs.avail_out = static_cast<uInt>(grow);
        rc = inflate(&zs, Z_NO_FLUSH);
        out.resize(have + grow - zs.avail_out);
        if (rc == Z_BUF_ERROR && zs.avail_in == 0) break;
        if (rc == Z_BUF_ERROR) rc = Z_OK;  // output was full; grow and go on
    }
    inflateEnd(&zs);
    ended = rc == Z_STREAM_END;
    return rc == Z_OK || rc == Z_STREAM_END || rc == Z_BUF_ERROR;
}

bool InflateSwfDataExactly(const std::vector<uint8_t>& in, size_t skip, size_t expected, std::vector<uint8_t>& out) {
    out.clear();
    if (skip > in.size()) return false;
    bool ended = false;
    return InflateSwfData(in.data() + skip, in.size() - skip, expected, out, ended) && out.size() == expected;
}

bool InflateSwfBody(const uint8_t* src, size_t size, uint64_t declared, std::vector<uint8_t>& out,
                    std::string& error) {
    // One byte past the cap tells a body that is too large from one that just fits.
    const uint64_t limit = std::min(declared, kSwfMaxBodyBytes + 1);
    uint64_t body = 0;
    bool ended = false;
    if (!MeasureInflatedSize(src, size, limit, body, ended)) {
        error = "The compressed SWF body is corrupt";
        return false;
    }
    if (body > kSwfMaxBodyBytes) {
        error = "The compressed SWF body inflates to more than " + std::to_string(kSwfMaxBodyBytes >> 20) +
                " MiB, too large for a character template";
        return false;
    }
    if (!ended && body < declared) {
        error = "The compressed SWF body is truncated";
        return false;
    }
    out.reserve(out.size() + body);
    if (!InflateSwfData(src, size, out.size() + body, out, ended)) {
        error = "The compressed SWF body is corrupt";
        return false;
    }
    return true;
}
