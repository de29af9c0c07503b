// The wave-out device: buffers of PCM written to a sound output, marked done when played, and the
// byte position of what is being heard. The wave player of the views drives it; back ends are the
// sound system (wave_out_portaudio.h) and a silent device that plays on a clock (wave_out_silent.h).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// Result codes of the device calls (0 is success). Numbered as the callers have always seen them.
enum wave_out_result : int {
    kWaveOutOk = 0,
    kWaveOutError = 1,           // unspecified failure of the sound system
    kWaveOutBadDevice = 2,       // no output device can be opened
    kWaveOutInvalidHandle = 5,   // call on a closed device or a null header
    kWaveOutNoMemory = 7,
    kWaveOutBadFormat = 32,      // the format is not PCM 8 or 16 bits, or the device refuses it
    kWaveOutStillPlaying = 33,   // header still queued, or closing with headers queued
    kWaveOutUnprepared = 34,     // writing a header that was not prepared
};

// A PCM format: whole hertz, interleaved channels, block align = channels x bits / 8.
struct wave_format {
    uint16_t channels = 1;
    uint32_t samples_per_sec = 0;
    uint32_t avg_bytes_per_sec = 0;
    uint16_t block_align = 0;
    uint16_t bits_per_sample = 0;
};

// Header flags.
enum wave_header_flags : uint32_t {
    kWaveHeaderDone = 0x01,      // the device has finished with the buffer
    kWaveHeaderPrepared = 0x02,
    kWaveHeaderInQueue = 0x10,   // written and not yet done
};

// One buffer handed to the device. The caller owns the header and its data; the header must stay
// where it is from prepare to unprepare. flags is written by the device's own thread (done) and
// read by the caller, hence atomic.
struct wave_header {
    char* data = nullptr;
    uint32_t buffer_length = 0;  // bytes to play from data
    std::atomic<uint32_t> flags{0};
    uint32_t played = 0;         // bytes the device has taken from this buffer (device's use)
};

// An open output device. Any thread may call it; each back end guards itself. Buffers play in the
// order written. Closing with buffers queued fails with kWaveOutStillPlaying: reset first.
class wave_out_device {
public:
    virtual ~wave_out_device() = default;

    virtual int prepare(wave_header* header) = 0;
    // kWaveOutStillPlaying while the header is queued.
    virtual int unprepare(wave_header* header) = 0;
    // Queues the header (clears done, sets in-queue); kWaveOutUnprepared when not prepared.
    virtual int write(wave_header* header) = 0;
    // Whether the device has finished with the header (the done flag; a back end may bring its
    // flags up to date here).
    virtual bool is_done(const wave_header* header) = 0;
    // Bytes played since open or the last reset: the byte being heard now.
    virtual int get_position_bytes(uint32_t* bytes) = 0;
    virtual int pause() = 0;
    virtual int restart() = 0;
    // Stops at once, marks every queued header done, sets the position back to 0, ends a pause.
    virtual int reset() = 0;
    virtual int close() = 0;
};

// How a device was opened: on the sound system, or silently (with the reason the sound system
// could not be used).
struct wave_out_open_result {
    int code = kWaveOutOk;
    bool silent = false;
    std::string fallback_reason;
};

// Opens a device for a format. The wave player takes one of these, so tests can hand it a silent
// device on a virtual clock.
using wave_out_opener = std::function<wave_out_open_result(const wave_format&, std::unique_ptr<wave_out_device>*)>;

// The default opener: the sound system's default output; when that fails (no device, no server,
// a format it refuses), the silent device on the real clock, with silent set and the reason.
// With force_silent the sound system is not tried.
wave_out_open_result open_wave_out(const wave_format& format, std::unique_ptr<wave_out_device>* out,
                                   bool force_silent = false);

// kWaveOutOk for a format the devices accept (PCM, 8 or 16 bits, 1 to 8 channels, a rate, a
// block align and byte rate that agree); kWaveOutBadFormat otherwise.
int check_wave_format(const wave_format& format);
