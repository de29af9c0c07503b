// Developer tool: plays a recording (WAV, NIST, MP3, Ogg Vorbis) or a test tone through the wave
// player, the way the timeline plays it, and prints the reported position against the clock, its
// drift and the CPU the process spent, so a real device can be checked by ear and measured.
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "engine/api/error_messages.h"
#include "engine/audio/default_audio_readers.h"
#include "engine/audio/memory_pcm_stream.h"
#include "engine/audio/pcm_stream.h"
#include "engine/audio/audio_file_reader.h"
#include "platform/wave_out.h"
#include "views/playback/wave_player.h"

namespace {

const char* const kUsage =
    "usage: murmurex_play [options] AUDIO\n"
    "       murmurex_play [options] --tone SECONDS\n"
    "\n"
    "Plays AUDIO (its first channel, at its own rate) or a 440 Hz tone through the wave player and\n"
    "prints the position it reports every so often against the time since the play began.\n"
    "\n"
    "  --tone SECONDS   play a tone of this length at 16 kHz instead of a file\n"
    "  --silent         use the silent device even when a sound device opens\n"
    "  --start-ms N     play from N milliseconds on\n"
    "  --length-ms N    play this many milliseconds (default: to the end)\n"
    "  --every N        report every N milliseconds (default 250)\n"
    "  --settle N       measure drift from the first report after N ms (default 1000), when a\n"
    "                   sound server has finished starting the stream\n"
    "  --pause-at N     pause N ms after the play began (position must hold, and the sound\n"
    "                   go on where it stopped) ...\n"
    "  --pause-for N    ... for N ms (default 1000)\n"
    "  --quiet          print only the device and the summary\n"
    "\n"
    "drift is the change of (position - elapsed time) since the first report after the settling\n"
    "time; the device's constant output latency and start-up do not count. cpu is the process's\n"
    "user and system time over the play as a share of one core, and the same without this\n"
    "reporting thread: the pump and the sound system's threads.\n";

// A 440 Hz sine at a third of full scale, mono 16-bit.
class ToneSource : public CPCMStream {
public:
    ToneSource(unsigned rate, unsigned frames) {
        format = {rate << 16, 16, 1};
        bytesPerFrame = 2;
        frameCount = frames;
        byteLength = frames * 2;
    }
    int Start() override {
        pos_ = 0;
        return 0;
    }
    int Read(void* buffer, unsigned* frames) override {
        const unsigned n = std::min(*frames, frameCount - pos_);
        const double w = 2 * M_PI * 440.0 / (format.sampleRate >> 16);
        for (unsigned i = 0; i < n; ++i)
            static_cast<int16_t*>(buffer)[i] = static_cast<int16_t>(10000 * std::sin(w * (pos_ + i)));
        pos_ += n;
        *frames = n;
        return 0;
    }

private:
    unsigned pos_ = 0;
};

// User and system time of the process, or of the calling thread.
double CpuSeconds(int who = RUSAGE_SELF) {
    rusage u{};
    getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The recording at its own rate, first channel, 16 bits; null with a message on failure.
CMemoryPCMStream* Load(const char* path) {
    InstallDefaultAudioFileReaders();
    CPCMStream* file = nullptr;
    int rc = CreateZuvoStreamFromFile(path, &file);
    if (rc != 0) {
        std::fprintf(stderr, "murmurex_play: %s: cannot open (error %d)\n", path, rc);
        return nullptr;
    }
    PCMFormat target{};
    file->GetFormat(&target);
    file->Release();
    target.bitsPerSample = 16;
    target.channels = 1;
    CMemoryPCMStream* memory = nullptr;
    rc = CreateMemoryPCMStreamFromFile(path, &target, nullptr, &memory);
    if (rc != 0) {
        std::fprintf(stderr, "murmurex_play: %s: cannot read (error %d)\n", path, rc);
        if (memory) memory->Destroy();
        return nullptr;
    }
    return memory;
}

}  // namespace

int main(int argc, char** argv) {
    const char* path = nullptr;
    double tone = 0;
    bool silent = false, quiet = false;
    int startMs = 0, lengthMs = 0, every = 250, settleMs = 1000, pauseAt = -1, pauseFor = 1000;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "--tone" && more) tone = std::atof(argv[++i]);
        else if (a == "--silent") silent = true;
        else if (a == "--quiet") quiet = true;
        else if (a == "--start-ms" && more) startMs = std::atoi(argv[++i]);
        else if (a == "--length-ms" && more) lengthMs = std::atoi(argv[++i]);
        else if (a == "--every" && more) every = std::max(1, std::atoi(argv[++i]));
        else if (a == "--settle" && more) settleMs = std::max(0, std::atoi(argv[++i]));
        else if (a == "--pause-at" && more) pauseAt = std::max(0, std::atoi(argv[++i]));
        else if (a == "--pause-for" && more) pauseFor = std::max(0, std::atoi(argv[++i]));
        else if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a[0] != '-' && !path) path = argv[i];
        else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (!path && tone <= 0) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    CMemoryPCMStream* stream = nullptr;
    std::unique_ptr<CMemoryPCMStream> toneStream;
    if (path) {
        stream = Load(path);
        if (!stream) return 1;
    } else {
        toneStream = std::make_unique<CMemoryPCMStream>();
        ToneSource source(16000, static_cast<unsigned>(tone * 16000));
        toneStream->LoadFromStreamWithProgress(&source, nullptr);
        stream = toneStream.get();
    }

    std::string fallback;
    pcmsrc_wave_player player([silent](const wave_format& f, std::unique_ptr<wave_out_device>* out) {
        return open_wave_out(f, out, silent);
    });
    player.SetSilentFallbackNotice([&](const std::string& reason) { fallback = reason; });

    const int start = stream->MsToFrames(startMs);
    const int count = lengthMs > 0 ? stream->MsToFrames(lengthMs) : 0;
    const int rc = player.Play(stream, static_cast<double>(0.03f), 4.0, start, count);
    const double cpu0 = CpuSeconds(), mainCpu0 = CpuSeconds(RUSAGE_THREAD);
    const auto t0 = std::chrono::steady_clock::now();
    if (rc != 0) {
        std::fprintf(stderr, "murmurex_play: cannot play (error %d)\n", rc);
        if (path) stream->Destroy();
        return 1;
    }
    if (player.IsSilent()) std::printf("device: silent (%s)\n", fallback.c_str());
    else std::printf("device: sound system\n");
    std::printf("rate %u Hz, %d frames from %d, buffers %d bytes x %d, latency %.9f ms\n",
                stream->GetRate() >> 16, count ? count : stream->GetFrameCount() - start, start,
                player.GetBufferBytes(), player.GetHeaderCount(), player.GetLatencyMs());

    bool moving = false;
    double offset0 = 0, maxDrift = 0, lastDrift = 0;
    int lastPos = startMs;
    double pausedMs = 0, pausedAt = -1;  // time spent paused does not count as playing time
    for (int k = 1; player.IsPlaying(); ++k) {
        std::this_thread::sleep_until(t0 + std::chrono::milliseconds(static_cast<int64_t>(k) * every));
        const double elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        if (pauseAt >= 0 && pausedAt < 0 && elapsed >= pauseAt) {
            player.TogglePause();
            pausedAt = elapsed;
            std::printf("paused at %d ms\n", player.GetPositionMs());
        } else if (pausedAt >= 0 && player.IsPaused() && elapsed >= pausedAt + pauseFor) {
            player.TogglePause();
            pausedMs += elapsed - pausedAt;
            std::printf("restarted at %d ms\n", player.GetPositionMs());
        }
        const int pos = player.GetPositionMs();
        const double offset = pos - startMs - (elapsed - pausedMs);
        // Reports while the device still fills, while paused, or after the play drained say
        // nothing of drift.
        const bool counts = player.IsPlaying() && !player.IsPaused() && pos > startMs && pos != lastPos;
        if (counts && !moving && elapsed >= settleMs) {
            moving = true;
            offset0 = offset;
        }
        if (counts && moving) {
            lastDrift = offset - offset0;
            maxDrift = std::max(maxDrift, std::fabs(lastDrift));
        }
        lastPos = pos;
        if (!quiet) std::printf("t %9.1f ms  position %7d ms  drift %+7.2f ms\n", elapsed, pos, counts && moving ? lastDrift : 0.0);
        std::fflush(stdout);
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = CpuSeconds() - cpu0;
    // What this reporting thread spent is not the player's.
    const double playerCpu = cpu - (CpuSeconds(RUSAGE_THREAD) - mainCpu0);
    player.Stop();
    const double playedMs = stream->FramesToMs(count ? count : stream->GetFrameCount() - start);
    std::printf("played %.0f ms in %.1f s; offset after settling %.2f ms, drift max %.2f ms, at end %+.2f ms; "
                "cpu %.2f%% (player and device threads %.2f%%)\n",
                playedMs, wall, offset0, maxDrift, lastDrift, 100.0 * cpu / wall, 100.0 * playerCpu / wall);
    if (path) stream->Destroy();
    return 0;
}
