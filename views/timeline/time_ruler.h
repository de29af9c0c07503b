// The time scale above the timeline's channels: ticks at round intervals for the zoom, each with
// its time, and single positions as text for the status bar. Owned by the timeline view, which
// tells it the stream, zoom, scroll position and rectangle; GUI thread only.
#pragma once

#include <cstdint>
#include <string>

#include "views/timeline/timeline_layout.h"

class IMemoryPCMStream;
class QPainter;

class CWinRulerView {
public:
    enum Mode : uint32_t { kTime = 0, kFrames = 1, kSamples = 2, kBars = 3 };

    virtual ~CWinRulerView() = default;

    virtual void SetRect(const BandRect& r) { rect_ = r; }
    virtual BandRect GetRect() const { return rect_; }
    virtual void SetMode(uint32_t mode, uint32_t value);
    virtual void SetMusicMode(uint32_t beatsPerMinute, uint32_t beatsPerBar);
    virtual uint32_t GetMode() const { return mode_; }
    virtual void SetStream(IMemoryPCMStream* stream) { stream_ = stream; }
    virtual void SetFirstSample(uint32_t first) { firstSample_ = first; }
    virtual void SetSamplesPerPixel(uint32_t n);
    virtual void Recalc();
    // Time mode: "m:ss:mmm"; sample mode: the sample; other modes: empty.
    virtual std::string FormatLabel(uint32_t sample) const;
    // The ticks inside r (the ruler's own rectangle when null), in client coordinates.
    virtual void Draw(QPainter& painter, const BandRect* r) const;
    virtual BandRect RulerToClient(const BandRect& r) const;
    virtual BandRect ClientToRuler(const BandRect& r) const;

    // 1, 2, 4, 5 or 10 times a power of ten: the round step at or near x (x >= 1; 0 gives 1).
    static uint32_t NiceTickStep(uint32_t x);

    // The label of tick k at the current step.
    std::string TickLabel(int64_t k) const;
    uint32_t TickStepMs() const { return tickStepMs_; }
    double TickStep() const { return tickStep_; }
    double PixelsPerTick() const { return pixelsPerTick_; }

private:
    void RecalcSamples();
    void RecalcTime();
    void RecalcFrames();
    void RecalcBars();
    int32_t ScrollOffset() const;

    IMemoryPCMStream* stream_ = nullptr;
    uint32_t samplesPerPixel_ = 0;
    uint32_t modeValue_ = 83;
    uint32_t tickStepMs_ = 0;
    double tickStep_ = 0.0;
    double pixelsPerTick_ = 0.0;
    uint32_t mode_ = kFrames;
    uint32_t beatsPerMinute_ = 0;
    uint32_t beatsPerBar_ = 0;
    BandRect rect_;
    uint32_t firstSample_ = 0;
};
