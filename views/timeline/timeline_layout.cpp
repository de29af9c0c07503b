// The timeline's band layout and time <-> pixel maps.
#include "views/timeline/timeline_layout.h"

#include <algorithm>
#include <cmath>

#include "engine/audio/memory_pcm_stream.h"

BandRect Intersect(const BandRect& a, const BandRect& b) {
    BandRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
    if (r.IsEmpty()) return {};
    return r;
}

BandRect ComputeChannelArea(const BandRect& client, int scrollBarHeight) {
    return {client.left + kMarginWidth, kRulerHeight, client.right, client.bottom - scrollBarHeight};
}

namespace {

constexpr uint32_t kPerAudioChannelBits =
    kShowWaveform | kShowEnergy | kShowSpectrogram | kShowPhonemesTrack0 | kShowLpcError | kShowLpc;
constexpr uint32_t kOnceBits = kShowPhonemes | kShowPhonemeEnergy | kShowPhonemesTrack2 | kShowWords |
                               kShowEvents | kShowGestures | kShowFlashGestures;
constexpr uint32_t kFlexibleBits = kShowSpectrogram | kShowLpcError | kShowLpc;

int CountBits(uint32_t v) { return __builtin_popcount(v); }

// Heights counted once whatever the number of audio channels.
int FixedSum(uint32_t mask) {
    int sum = 0;
    for (const ChannelSpec& spec : kChannelTable) {
        if (spec.height > 0 && spec.bit != kShowBox && (mask & spec.bit)) sum += spec.height;
    }
    if (mask & (kShowBox | kHideBox)) sum += 90;
    return sum;
}

}  // namespace

int ComputeFlexibleHeight(uint32_t mask, int audioChannels, const BandRect& area) {
    const int n = std::max(audioChannels, 0);
    const int total = n * CountBits(mask & kPerAudioChannelBits) + CountBits(mask & kOnceBits) +
                      ((mask & (kShowBox | kHideBox)) ? 1 : 0);
    if (total == 0) return 0;
    const int flexibleCount = CountBits(mask & kFlexibleBits);
    int h = flexibleCount > 0 ? (area.Height() - FixedSum(mask)) / flexibleCount : area.Height() / total;
    if (h > 512) h = 512;
    if (h < 11) h = 10;
    return h;
}

std::vector<ChannelBand> LayoutChannels(uint32_t mask, int audioChannels, const BandRect& area,
                                        bool haveSpectralSource) {
    if (!haveSpectralSource) mask &= ~kFlexibleBits;
    const int flexible = ComputeFlexibleHeight(mask, audioChannels, area);
    if (flexible == 0) return {};
    return LayoutChannelsWithFlexibleHeight(mask, audioChannels, area, flexible, true);
}

int ChannelStackHeight(uint32_t mask, int audioChannels, int flexible, bool haveSpectralSource) {
    const std::vector<ChannelBand> bands =
        LayoutChannelsWithFlexibleHeight(mask, audioChannels, {0, 0, 1, 0}, flexible, haveSpectralSource);
    return bands.empty() ? 0 : bands.back().band.bottom;
}

std::vector<ChannelBand> LayoutChannelsWithFlexibleHeight(uint32_t mask, int audioChannels, const BandRect& area,
                                                          int flexible, bool haveSpectralSource) {
    if (!haveSpectralSource) mask &= ~kFlexibleBits;
    std::vector<ChannelBand> bands;
    int y = area.top;
    for (int a = 0; a < audioChannels; ++a) {
        for (const ChannelSpec& spec : kChannelTable) {
            if (!(mask & spec.bit) || spec.height == kNoChannel) continue;
            if (spec.bit == kShowBox && (mask & kHideBox)) continue;
            const int h = spec.height > 0 ? spec.height : flexible;
            BandRect band{area.left, y, area.right, y + h};
            if (spec.bit == kShowBox) {
                band.left = (area.left + area.right) / 2 - kBoxChannelWidth / 2;
                band.right = band.left + kBoxChannelWidth;
            }
            bands.push_back({spec.bit, a, spec.track, band});
            y = band.bottom;
        }
    }
    return bands;
}

uint32_t ChannelAt(const std::vector<ChannelBand>& bands, int y, int* index) {
    for (size_t i = 0; i < bands.size(); ++i) {
        if (bands[i].band.top <= y && y <= bands[i].band.bottom) {
            if (index) *index = static_cast<int>(i);
            return bands[i].bit;
        }
    }
    if (index) *index = -1;
    return 0;
}

int InitialSamplesPerPixel(int streamLength, int sampleRate, int clientWidth) {
    const int64_t shown = std::min<int64_t>(streamLength, int64_t{25} * sampleRate);
    const int64_t spp = clientWidth > 0 ? shown / clientWidth : shown;
    return static_cast<int>(std::clamp<int64_t>(spp, 1, INT32_MAX));
}

int TimeMap::XToSample(int x) const {
    if (x < kMarginWidth) return 0;
    const int64_t s = int64_t{x - kMarginWidth} * samplesPerPixel + firstSample;
    return static_cast<int>(std::clamp<int64_t>(s, INT32_MIN, INT32_MAX));
}

int TimeMap::SampleToX(int sample) const {
    const int spp = std::max(samplesPerPixel, 1);
    return static_cast<int>((int64_t{sample} - firstSample) / spp + kMarginWidth);
}

int TimeMap::XToSampleRange(int x, int* from, int* to) const {
    const int s = XToSample(x);
    const int64_t span = int64_t{2} * samplesPerPixel;
    *from = s > samplesPerPixel ? static_cast<int>(std::max<int64_t>(s - span, 0)) : 0;
    *to = static_cast<int>(std::min<int64_t>(s + span, INT32_MAX));
    return s;
}

int TimeMap::MsToX(IMemoryPCMStream* stream, int ms) const { return SampleToX(stream->MsToFrames(ms)); }

int TimeMap::XToMs(IMemoryPCMStream* stream, int x) const {
    return static_cast<int>(stream->FramesToMs(XToSample(x)));
}

int TimeMap::XToMsRange(IMemoryPCMStream* stream, int x, int* fromMs, int* toMs) const {
    const int s = XToSample(x);
    const int64_t lo = s <= samplesPerPixel ? 0 : int64_t{s} - samplesPerPixel;
    const int64_t hi = std::min<int64_t>(int64_t{s} + samplesPerPixel, INT32_MAX);
    *fromMs = static_cast<int>(stream->FramesToMs(static_cast<int>(lo)));
    *toMs = static_cast<int>(stream->FramesToMs(static_cast<int>(hi)));
    return static_cast<int>(stream->FramesToMs(s));
}

BandRect SelectionRect(const TimeMap& map, int selStart, int selEnd, const BandRect& area) {
    BandRect r{map.SampleToX(std::min(selStart, selEnd)), area.top, map.SampleToX(std::max(selStart, selEnd)),
               area.bottom};
    if (r.right < kMarginWidth) return {};
    r.left = std::max(r.left, kMarginWidth);
    if (r.right == r.left) r.right = r.left + 1;
    return r;
}
