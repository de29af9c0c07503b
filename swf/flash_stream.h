// Byte-level input and output streams of the SWF library and the little-endian integer and string
// helpers that every record and tag body is read and written with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ios>
#include <string>
#include <vector>

// Implemented by the movie that is being written: writes the defining tag of a character the first
// time it is asked for, so that a character always precedes the first tag that uses it.
class flash_character_writer {
public:
    virtual void WriteCharacterOnce(uint16_t id) = 0;

protected:
    ~flash_character_writer() = default;
};

// Input over one contiguous block of bytes (a whole file, or a tag body in memory). Reading past
// the end yields zero bytes, sets the end-of-file and fail states and counts the bytes that were
// asked for but missing (`overrun`), so a size check can tell how far a reader went. One thread.
class flash_istream {
public:
    flash_istream() = default;
    // Reads the caller's bytes, which must outlive the stream.
    flash_istream(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    // Reads (and owns) the given bytes.
    explicit flash_istream(std::vector<uint8_t> bytes);
    flash_istream(const flash_istream&) = delete;
    flash_istream& operator=(const flash_istream&) = delete;
    virtual ~flash_istream() = default;

    // The next byte, or -1 at the end of the data.
    int get() {
        if (pos_ < size_) return data_[pos_++];
        miss(1);
        return -1;
    }
    int peek() const { return pos_ < size_ ? data_[pos_] : -1; }
    // Puts back the last byte read (the bit reader leaves a partly used byte in the stream).
    void unget() {
        if (pos_ > 0) --pos_;
    }
    // Copies up to n bytes; returns how many there were. A short read fails the stream.
    size_t read(void* dst, size_t n);
    // Skips up to n bytes; a short skip fails the stream.
    void ignore(uint64_t n);

    uint64_t tellg() const { return pos_; }
    // Moves to an absolute position, at most the end of the data; clears nothing.
    void seekg(uint64_t pos) { pos_ = pos < size_ ? static_cast<size_t>(pos) : size_; }
    uint64_t remaining() const { return size_ - pos_; }
    uint64_t size() const { return size_; }
    const uint8_t* data() const { return data_; }

    bool good() const { return !fail_; }
    bool fail() const { return fail_; }
    bool eof() const { return eof_; }
    explicit operator bool() const { return !fail_; }
    void setfail() { fail_ = true; }
    // Clears the fail and end-of-file states and the overrun count.
    void clear() {
        fail_ = eof_ = false;
        overrun_ = 0;
    }
    // Bytes asked for past the end of the data since the last clear.
    uint64_t overrun() const { return overrun_; }

    // Replaces the data the stream reads (owned from now on) and moves to pos. Used when a
    // compressed file body has been inflated behind its header.
    void ReplaceData(std::vector<uint8_t> bytes, size_t pos);

    // The SWF version of the data, stored by the movie loader from the file header before the first
    // tag is read; some records branch on it.
    uint8_t version = 0;

protected:
    void miss(uint64_t n) {
        fail_ = eof_ = true;
        overrun_ += n;
    }

    std::vector<uint8_t> owned_;
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
    bool fail_ = false;
    bool eof_ = false;
    uint64_t overrun_ = 0;
};

// The largest movie file read: its 8-byte header and a body of at most 64 MiB, stored or packed
// (the inflated body has the same limit). A path naming a device or a huge unrelated file fails
// at once instead of filling the memory.
constexpr size_t kSwfMaxFileBytes = (size_t{64} << 20) + 8;

// A flash_istream over the whole contents of a file. Only a regular file of at most
// kSwfMaxFileBytes is read; otherwise, or when it cannot be read, the fail state is set and
// error() says why.
class flash_ifstream : public flash_istream {
public:
    flash_ifstream(const std::string& path, std::ios_base::openmode mode = std::ios_base::binary);
    const std::string& error() const { return error_; }

private:
    std::string error_;
};

// Output into a growable in-memory buffer with a write position that can be moved back (the movie
// writer rewrites the file header once the length is known). One thread.
class flash_ostream {
public:
    flash_ostream() = default;
    flash_ostream(const flash_ostream&) = delete;
    flash_ostream& operator=(const flash_ostream&) = delete;
    virtual ~flash_ostream() = default;

    // Asks the owner, when there is one, to write the defining tag of that character first.
    virtual void RequireCharacter(uint16_t id);
    // Writes one byte.
    virtual void PutByte(uint8_t b);

    // Unformatted write of n bytes at the write position.
    void write(const void* src, size_t n);
    uint64_t tellp() const { return pos_; }
    // Moves the write position, at most to the end of what has been written.
    void seekp(uint64_t pos) { pos_ = pos < buf_.size() ? static_cast<size_t>(pos) : buf_.size(); }

    bool good() const { return !fail_; }
    bool fail() const { return fail_; }
    void setfail() { fail_ = true; }

    // Everything written so far.
    const std::vector<uint8_t>& bytes() const { return buf_; }
    size_t size() const { return buf_.size(); }
    std::vector<uint8_t> TakeBytes();

    // The movie being written (null when none) and the SWF version being written.
    flash_character_writer* owner = nullptr;
    uint8_t version = 0;

protected:
    std::vector<uint8_t> buf_;
    size_t pos_ = 0;
    bool fail_ = false;
};

// The in-memory stream a tag body is assembled in before its header is written. It copies owner
// and version from its parent, so characters that the body names reach the movie's real output
// first.
class flash_ostrstream : public flash_ostream {
public:
    explicit flash_ostrstream(const flash_ostream& parent) {
        owner = parent.owner;
        version = parent.version;
        buf_.reserve(64);  // most bodies are small: one allocation instead of a doubling series
    }
    // A nested body (an action block inside a tag body): a new empty stream, not a copy.
    explicit flash_ostrstream(const flash_ostrstream& parent)
        : flash_ostrstream(static_cast<const flash_ostream&>(parent)) {}
};

// A flash_ostream whose bytes go to a file when it is closed (or destroyed). The file is replaced
// safely: a failed save leaves the old file as it was and sets the fail state on close.
class flash_ofstream : public flash_ostream {
public:
    explicit flash_ofstream(std::string path) : path_(std::move(path)) {}
    ~flash_ofstream() override;
    // Saves the buffer (a stream already failed saves nothing); returns false, sets the fail state
    // and keeps the reason in error() on any failure.
    bool close();
    const std::string& error() const { return error_; }

private:
    std::string path_;
    std::string error_;
    bool closed_ = false;
};

// Little-endian integers and strings. Missing bytes read as 0 (the stream fails).
uint8_t ReadU8(flash_istream& in);
uint16_t ReadU16(flash_istream& in);
uint32_t ReadU32(flash_istream& in);
void WriteU8(flash_ostream& out, uint8_t v);
void WriteU16(flash_ostream& out, uint16_t v);
void WriteU32(flash_ostream& out, uint32_t v);

// Empties s, then appends bytes up to (not including) a 0 byte or the end of the data.
void ReadCString(flash_istream& in, std::string& s);
// One length byte, then that many bytes appended to s.
void ReadPString(flash_istream& in, std::string& s);
// The characters up to the first 0 character, then a 0 byte.
void WriteCString(flash_ostream& out, const std::string& s);
// The characters up to the first 0 character, no terminator.
void WriteStringBytes(flash_ostream& out, const std::string& s);
// One byte holding the length modulo 256, then that many characters.
void WritePString(flash_ostream& out, const std::string& s);
void WriteBytes(flash_ostream& out, const std::vector<uint8_t>& bytes);

// Appends up to n bytes to dst, never more than the stream holds (a short read fails the stream),
// so a length taken from a file can never make a large allocation on its own.
void ReadBytes(flash_istream& in, uint64_t n, std::vector<uint8_t>& dst);

// Diagnostic trace of the library (in place of a debugger output channel): written to the standard
// error stream only while the environment variable MURMUREX_SWF_TRACE is set.
void FlashDebugTrace(const char* text);
