// What the signal channels would otherwise recompute at every paint, kept per recording: a min/max
// summary of the samples per power-of-two block, and the spectrogram and LPC columns by window
// start. With them a repaint's work is bounded by the view's width, not the recording's length;
// the pixels are the same as without them. Owned by the timeline view; GUI thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

class IMemoryPCMStream;

// Min and max of channel 0 of a recording's samples over any range of frames.
class CWaveformSummary {
public:
    static constexpr int kBaseLog2 = 6;  // blocks of 64 frames at the finest level

    // Summarises the stream's data as it is now: 16-bit signed or 8-bit unsigned values.
    void Build(IMemoryPCMStream* stream);
    int FrameCount() const { return frames_; }
    // Min and max over frames [a, b), 0 <= a < b <= FrameCount().
    void Query(int a, int b, int* lo, int* hi) const;

private:
    int Sample(int frame) const;
    void Scan(int a, int b, int* lo, int* hi) const;

    const uint8_t* data_ = nullptr;
    int frames_ = 0;
    int stride_ = 1;  // values per frame
    int bits_ = 16;
    std::vector<std::vector<int16_t>> levels_;  // level k: min, max pairs of blocks of 64 << k frames
};

// Display columns (0 .. 255 per bin) by the window they were made from.
class CSpectralColumnCache {
public:
    static constexpr int kBins = 257;          // a 512 window gives 257 bins
    static constexpr size_t kMaxColumns = 32768;  // about 8.5 MB; a full cache starts again

    struct Column {
        int32_t pitch = -1;
        uint8_t value[kBins];
    };
    enum Kind : uint32_t { kSpectrum = 0, kSpectrumWithPitch = 1, kLpcEnvelope = 2 };

    const Column* Find(Kind kind, int audioChannel, int start) const;
    Column* Insert(Kind kind, int audioChannel, int start);
    void Clear();
    size_t Size() const { return index_.size(); }

private:
    static uint64_t Key(Kind kind, int audioChannel, int start) {
        return (uint64_t{kind} << 48) | (uint64_t{static_cast<uint16_t>(audioChannel)} << 32) |
               static_cast<uint32_t>(start);
    }
    std::unordered_map<uint64_t, uint32_t> index_;
    std::vector<Column> columns_;
};

class CSignalSummaries {
public:
    // Drops everything kept when the stream, its data or its length changed since the last call.
    void Attach(IMemoryPCMStream* stream);
    // Drops everything: the audio was changed in place, or the spectral source's settings (its
    // noise gate) changed.
    void Invalidate();
    // The waveform summary of the attached stream, built at the first call.
    const CWaveformSummary& Waveform();
    CSpectralColumnCache& Columns() { return columns_; }

private:
    IMemoryPCMStream* stream_ = nullptr;
    const void* data_ = nullptr;
    int frames_ = 0;
    std::unique_ptr<CWaveformSummary> waveform_;
    CSpectralColumnCache columns_;
};
