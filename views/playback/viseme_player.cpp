// The viseme player: the animation thread's loop and the choice of the shape for a time window.
#include "views/playback/viseme_player.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "model/app_sync_results.h"
#include "views/playback/wave_player.h"

CVisemePlayer::~CVisemePlayer() { Stop(); }

void CVisemePlayer::Start(pcmsrc_wave_player* clock, const app_sync_results& track, bool mode) {
    Stop();
    std::lock_guard hold(threadMutex_);
    mode_ = mode;
    phonemes_ = track.phonemes;
    articulation_ = track.articulation;
    stopRequest_ = false;
    clock_ = clock;
    if (clock) thread_ = std::thread(&CVisemePlayer::Run, this);
}

void CVisemePlayer::Stop() {
    stopRequest_ = true;
    std::lock_guard hold(threadMutex_);
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
    clock_ = nullptr;
    // The owner rests the head once the player stops: a shape still on its way would undo that.
    relay_.DropPending();
}

bool CVisemePlayer::IsRunning() {
    std::lock_guard hold(threadMutex_);
    return thread_.joinable();
}

void CVisemePlayer::Run() {
    // A little above the other threads, so the mouth keeps time on a busy machine. Best effort:
    // without the right to raise it the thread runs at the normal priority.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -2);
    pcmsrc_wave_player* clock = clock_;
    // The window reaches one buffer ahead of what is heard, refreshed twice per buffer.
    const int latency = static_cast<int>(clock->GetLatencyMs());
    const auto nap = std::chrono::milliseconds(std::max(1, latency / 2));
    while (!stopRequest_) {
        const int p = clock->GetPositionMs();
        Show(p, p + latency);
        std::this_thread::sleep_for(nap);
    }
}

void CVisemePlayer::Show(int from, int to) {
    if (mode_) {
        const int mid = (from + to) / 2;
        for (const art_marker& m : articulation_) {
            if (m.end >= mid) {
                relay_.PostVisemeMix(&m.key);
                return;
            }
        }
        relay_.PostViseme("x", 0);
        return;
    }
    const phn_marker* choice = nullptr;
    int best = 0;
    for (const phn_marker& m : phonemes_) {
        bool counts;
        if (m.start < from) {
            counts = m.end >= from;
        } else if (m.start < to) {
            counts = true;
        } else if (m.start > from) {
            break;  // this one and every later one lie after the window
        } else {
            counts = false;
        }
        if (!counts) continue;
        const int overlap = std::min<int>(m.end, to) - std::max<int>(m.start, from);
        if (overlap > best) {
            best = overlap;
            choice = &m;
        }
    }
    if (!choice) {
        relay_.PostViseme("x", 0);
        return;
    }
    int amount = static_cast<int>(choice->value);
    for (const marker_base& e : choice->energy) {
        if (e.start <= from && from <= e.end) amount = static_cast<int>(e.value);
    }
    relay_.PostViseme(choice->get_label(), amount);
}
