// Test helpers for the feature code: an application audio source over samples held in a vector,
// and reading text tables of numbers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/audio/zuvo_pcm_stream.h"

class VectorSource : public IZuvoPCMStream {
public:
    explicit VectorSource(std::vector<int16_t> samples, uint32_t rateHz = 16000)
        : samples_(std::move(samples)), rate_(rateHz) {}
    virtual ~VectorSource() = default;

    int GetFormat(PCMFormat* out) override {
        out->sampleRate = rate_;
        out->bitsPerSample = 16;
        out->channels = 1;
        return 0;
    }
    int GetLength() override { return static_cast<int>(samples_.size() * 2); }
    int Read(void* buffer, int bytes) override {
        const size_t left = (samples_.size() - position_) * 2;
        const size_t n = std::min(left, static_cast<size_t>(bytes)) / 2 * 2;
        std::memcpy(buffer, samples_.data() + position_, n);
        position_ += n / 2;
        return static_cast<int>(n);
    }
    int Rewind() override {
        position_ = 0;
        return 0;
    }

private:
    std::vector<int16_t> samples_;
    uint32_t rate_;
    size_t position_ = 0;
};

inline std::vector<std::vector<double>> ReadNumberTable(const std::string& path) {
    std::vector<std::vector<double>> rows;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::vector<double> row;
        double v;
        while (fields >> v) row.push_back(v);
        if (!row.empty()) rows.push_back(row);
    }
    return rows;
}

inline std::vector<int16_t> ReadRawSamples(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<int16_t> samples;
    unsigned char b[2];
    while (in.read(reinterpret_cast<char*>(b), 2)) {
        samples.push_back(static_cast<int16_t>(b[0] | b[1] << 8));
    }
    return samples;
}
