// Format checks shared by the wave-out back ends, and the real clock of the silent device.
#include "platform/wave_out.h"

#include <chrono>

#include "platform/wave_out_clock.h"

int check_wave_format(const wave_format& f) {
    if (f.bits_per_sample != 8 && f.bits_per_sample != 16) return kWaveOutBadFormat;
    if (f.channels < 1 || f.channels > 8 || f.samples_per_sec == 0) return kWaveOutBadFormat;
    if (f.block_align != f.channels * f.bits_per_sample / 8) return kWaveOutBadFormat;
    if (f.avg_bytes_per_sec != f.block_align * f.samples_per_sec) return kWaveOutBadFormat;
    return kWaveOutOk;
}

int64_t wave_out_steady_clock::now_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
