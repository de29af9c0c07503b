// Bounded zlib inflating for SWF bodies and bitmap data.
#include "swf/swf_inflate.h"

#include <zlib.h>

#include <cstring>

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
