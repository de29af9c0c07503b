// The wave player: plays a range of an in-memory recording through a wave-out device, with a pool
// of buffers that a pump thread keeps written, notices to a sink, and the position being heard.
// Owned by the timeline view; the viseme player reads it as its clock.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/sync_lock.h"
#include "platform/wave_out.h"

class IMemoryPCMStream;
class IWavePlayerEventSink;

// Threads: the owner's thread calls Play, Stop, TogglePause and SetSink; the pump thread runs Run
// and Pump and sends the sink's notices; any thread may ask the state, the position and the
// latency. lock_ (re-entrant) guards the device, the header queues and the positions; the state
// word and the sink are atomics read without it. Stop waits for the pump thread before it takes
// the lock, so a sink notice in progress finishes first and none comes after Stop returns.
class pcmsrc_wave_player {
public:
    // Devices from the default opener: the sound system, or silence when it cannot be opened.
    pcmsrc_wave_player();
    explicit pcmsrc_wave_player(wave_out_opener opener);
    virtual ~pcmsrc_wave_player();
    pcmsrc_wave_player(const pcmsrc_wave_player&) = delete;
    pcmsrc_wave_player& operator=(const pcmsrc_wave_player&) = delete;

    // Not owned; may be null (the player then plays without notices).
    virtual void SetSink(IWavePlayerEventSink* sink);
    // Plays count frames from start (count 0: to the end of the stream) with buffers of
    // bufferSeconds and queueSeconds of them. 0, 7 for a null stream, the device's code when no
    // device opens, 1 when a buffer or the thread cannot be made.
    virtual int Play(IMemoryPCMStream* stream, double bufferSeconds, double queueSeconds, int start, int count);
    // Ends the pump thread (waiting for it), releases the device and lets go of the stream, so
    // its owner may free it at once. Harmless when idle; called on the pump thread (from a sink)
    // it only asks the pump to end.
    virtual void Stop();
    virtual void TogglePause();
    virtual bool IsPaused();
    virtual bool IsPlaying();
    // The frame being heard: the device's byte position / block align + start (start when no
    // device is open). GetPositionMs is 0 once Stop has let go of the stream.
    virtual int GetPositionMs();
    virtual int GetPosition();
    virtual double GetLatencyMs();
    // Whether a play (running or finished) still refers to its stream: from Play until Stop.
    bool HoldsStream();

    // Called on the thread of Play when a play had to use the silent device while the one before
    // did not (so once for a machine without sound), with the sound system's reason.
    void SetSilentFallbackNotice(std::function<void(const std::string& reason)> notice);
    // Whether the current or last play went to the silent device.
    bool IsSilent() const { return silent_; }
    int GetBufferBytes() const { return bufferBytes_; }
    int GetHeaderCount() const { return headerCount_; }

protected:
    virtual void Run();
    virtual void Pump();

private:
    // Frees every buffer and the header block. Caller holds lock_; no device holds them.
    void FreeHeaders();

    enum : uint32_t { kPlaying = 1, kPaused = 2 };

    std::mutex threadMutex_;  // guards thread_ between Play and Stops from several threads
    std::thread thread_;
    CSyncLock lock_;
    std::atomic<IWavePlayerEventSink*> sink_{nullptr};
    IMemoryPCMStream* stream_ = nullptr;
    int32_t position_ = 0;
    int32_t end_ = 0;
    int32_t blockAlign_ = 2;
    int32_t start_ = 0;
    std::unique_ptr<wave_out_device> device_;
    std::atomic<uint32_t> state_{0};
    std::unique_ptr<wave_header[]> headerBlock_;
    int headerCount_ = 0;
    std::vector<std::unique_ptr<char[]>> buffers_;  // one per header, owned here
    int32_t bufferBytes_ = 0;
    std::atomic<double> latency_{30.0};  // ms; read by the viseme thread
    std::deque<wave_header*> freeHeaders_;
    std::deque<wave_header*> queuedHeaders_;
    bool pumpBusy_ = false;  // the last pass stopped at its limit; pump thread only

    std::mutex wakeMutex_;  // with wake_: a stop wakes the napping pump at once
    std::condition_variable wake_;

    wave_out_opener opener_;
    std::function<void(const std::string&)> fallbackNotice_;
    std::atomic<bool> silent_{false};
};
