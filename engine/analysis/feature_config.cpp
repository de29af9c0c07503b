// The feature chunk of the model files: reader, writer, text dump and the standard layouts.
#include "engine/analysis/feature_config.h"

#include <cmath>

#include "engine/util/binary_io.h"
#include "engine/util/number_text.h"

CFeatureConfig::CFeatureConfig() = default;

CFeatureConfig::CFeatureConfig(const CFeatureConfig& other) { *this = other; }

CFeatureConfig& CFeatureConfig::operator=(const CFeatureConfig& other) {
    if (this == &other) return *this;
    samplerate = other.samplerate;
    preemphasis = other.preemphasis;
    windowSize = other.windowSize;
    windowOverlap = other.windowOverlap;
    numBands = other.numBands;
    num_cep = other.num_cep;
    numFeatures = other.numFeatures;
    flags = other.flags;
    SetBands(other.bands.data, other.bands.count);
    numBands = other.numBands;
    return *this;
}

bool CFeatureConfig::SetBands(const FeatureBand* records, int32_t count) {
    bands.RemoveAll();
    bands.growBy = count > 0 ? count : 1;
    if (count > 0 && !bands.Reserve(count)) return false;
    for (int32_t i = 0; i < count; ++i) bands.Append(records[i]);
    numBands = count;
    return true;
}

bool CFeatureConfig::Read(const unsigned char** cursor, unsigned* remaining) {
    bool ok = false;
    int version = 0;
    int32_t tag = ReadInt32(cursor, remaining, &ok);
    if (!ok) return false;
    if (tag == kFeatureChunkTag) {
        version = ReadInt16(cursor, remaining, &ok);
        if (!ok) return false;
        if (version > 1) return false;
    } else {
        // An old chunk starts directly with the sample rate.
        *cursor -= 4;
        *remaining += 4;
    }
    samplerate = ReadFloat(cursor, remaining, &ok);
    if (!ok) return false;
    preemphasis = ReadFloat(cursor, remaining, &ok);
    if (!ok) return false;
    windowSize = ReadInt32(cursor, remaining, &ok);
    if (!ok) return false;
    windowOverlap = ReadInt32(cursor, remaining, &ok);
    if (!ok) return false;
    numFeatures = ReadInt32(cursor, remaining, &ok);
    if (!ok) return false;
    int32_t count = ReadInt32(cursor, remaining, &ok);
    if (!ok) return false;
    // Each band takes 16 bytes: a count the image cannot hold is refused before reserving.
    if (count < 0 || static_cast<uint64_t>(count) * 16u > *remaining) return false;
    bands.RemoveAll();
    bands.growBy = count > 0 ? count : 1;
    if (count > 0 && !bands.Reserve(count)) return false;
    numBands = count;
    for (int32_t i = 0; i < count; ++i) {
        FeatureBand band;
        band.low = ReadFloat(cursor, remaining, &ok);
        band.centre = ReadFloat(cursor, remaining, &ok);
        band.high = ReadFloat(cursor, remaining, &ok);
        band.extra = ReadFloat(cursor, remaining, &ok);
        if (!ok) return false;
        bands.Append(band);
    }
    num_cep = ReadInt32(cursor, remaining, &ok);
    if (ok && version >= 1) flags = ReadInt32(cursor, remaining, &ok);
    return ok;
}

bool CFeatureConfig::Write(FILE* file) const {
    bool ok = WriteInt32(file, kFeatureChunkTag) && WriteInt16(file, 1) &&
              WriteFloat(file, samplerate) && WriteFloat(file, preemphasis) &&
              WriteInt32(file, windowSize) && WriteInt32(file, windowOverlap) &&
              WriteInt32(file, numFeatures) && WriteInt32(file, bands.count);
    for (int32_t i = 0; ok && i < bands.count; ++i) {
        const FeatureBand& b = bands.data[i];
        ok = WriteFloat(file, b.low) && WriteFloat(file, b.centre) && WriteFloat(file, b.high) &&
             WriteFloat(file, b.extra);
    }
    return ok && WriteInt32(file, num_cep) && WriteInt32(file, flags);
}

void CFeatureConfig::Dump(std::ostream& out) const {
    ClassicNumbersScope classic(out);
    out << "feat\n";
    out << "samplerate: " << samplerate << "\n";
    out << "preemphasis: " << preemphasis << "\n";
    out << "windowSize: " << windowSize << "\n";
    out << "windowOverlap: " << windowOverlap << "\n";
    out << "numFreatures: " << numFeatures << "\n";
    out << "numBands: " << numBands << "\n";
    for (int32_t i = 0; i < bands.count; ++i) {
        const FeatureBand& b = bands.data[i];
        out << "\t" << b.low << " " << b.centre << " " << b.high << "\n";
    }
    out << "num_cep: " << num_cep << "\n";
    out << "flags: " << flags << "\n";
}

namespace {

// Bands whose edges are consecutive points: band i is (p[i], p[i+1], p[i+2]).
void BandsFromPoints(const float* points, int32_t count, FeatureBand* out) {
    for (int32_t i = 0; i < count; ++i) out[i] = {points[i], points[i + 1], points[i + 2], 0.0f};
}

}  // namespace

bool MakeStandardFeatureConfig(int32_t numFeatures, CFeatureConfig* out) {
    if (out == nullptr) return false;
    FeatureBand bands[24];
    if (numFeatures == 38) {
        // 25 points equally spaced on the mel scale from 69 to 7839 Hz, rounded to whole hertz.
        float points[25];
        const double lo = 2595.0 * std::log10(1.0 + 69.0 / 700.0);
        const double hi = 2595.0 * std::log10(1.0 + 7839.0 / 700.0);
        for (int i = 0; i < 25; ++i) {
            const double mel = lo + (hi - lo) * i / 24.0;
            points[i] = static_cast<float>(std::round(700.0 * (std::pow(10.0, mel / 2595.0) - 1.0)));
        }
        BandsFromPoints(points, 23, bands);
        out->SetBands(bands, 23);
        out->num_cep = 12;
        out->flags = kFeatureFlagKeepLastCepstrum;
    } else if (numFeatures == 15) {
        // Low edges at 500, 1000, 1750, 2000, 3500, 4000 and 5250 Hz fall exactly on 31.25 Hz bins.
        static const float points[26] = {70,   100,  200,  300,  400,  500,  600,  700,  800,
                                         1000, 1150, 1300, 1450, 1750, 2000, 2300, 2600, 2900,
                                         3200, 3500, 4000, 4600, 5250, 6050, 6950, 8000};
        BandsFromPoints(points, 24, bands);
        out->SetBands(bands, 24);
        out->num_cep = 8;
        out->flags = 0;
    } else {
        return false;
    }
    out->samplerate = 16000.0f;
    out->preemphasis = 0.2f;
    out->windowSize = 512;
    out->windowOverlap = 352;
    out->numFeatures = numFeatures;
    return true;
}
