// The viseme player: while audio plays, a thread of its own reads the wave player's position and
// sends the mouth shape of the audio about to be heard through its relay to the viseme handler.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

#include "model/marker_lists.h"
#include "views/playback/viseme_relay.h"

class app_sync_results;
class pcmsrc_wave_player;

// Made and destroyed on the GUI thread, where its relay delivers the shapes; Start and Stop on the
// owner's thread (a Stop from another thread is safe too). The animation thread only reads: the
// clock's position and latency (under the clock's own lock) and the list copies, which Start
// writes before the thread exists; it never calls a handler. The clock must outlive the player's
// thread; its device may already be closed during the last turns (the position is then the
// play's start).
class CVisemePlayer {
public:
    CVisemePlayer() = default;
    virtual ~CVisemePlayer();
    CVisemePlayer(const CVisemePlayer&) = delete;
    CVisemePlayer& operator=(const CVisemePlayer&) = delete;

    // Stops, keeps the mode and copies of the track's phonemes and articulation keys, and starts
    // the animation thread on the clock.
    virtual void Start(pcmsrc_wave_player* clock, const app_sync_results& track, bool mode);
    // Ends the thread, waits for it and drops the shapes it sent that were not shown yet, so a rest
    // shown after the stop stays; harmless when nothing runs.
    virtual void Stop();
    // Whether an animation thread was started and not yet stopped (it may have nothing left to do).
    bool IsRunning();
    // Sends the shape for the window [fromMs, toMs]: mode 0 the phoneme with the largest overlap
    // (the first of equals; none when no overlap is above 0) at its energy, mode 1 the
    // articulation key over the window's middle; the rest mouth when there is none. It is shown
    // when the GUI thread next dispatches the post queue.
    virtual void Show(int fromMs, int toMs);
    virtual void SetMode(bool mode) { mode_ = mode; }
    virtual bool GetMode() { return mode_; }

protected:
    virtual void Run();

private:
    std::mutex threadMutex_;  // guards thread_ between Start and Stops from several threads
    std::thread thread_;
    std::atomic<bool> stopRequest_{false};
    std::atomic<pcmsrc_wave_player*> clock_{nullptr};
    phn_marker_list phonemes_;
    articulation_list articulation_;
    std::atomic<bool> mode_{false};
    viseme_relay relay_;
};
