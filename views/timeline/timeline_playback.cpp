// Playing a timeline view's selection: starting and stopping the wave player and the viseme
// player, the position messages from the pump thread, rewinding and looping.
#include "views/timeline/timeline_playback.h"

#include <algorithm>

#include "app/core/output_log.h"
#include "engine/audio/memory_pcm_stream.h"
#include "model/app_sync_results.h"
#include "model/pub_queue.h"
#include "views/playback/viseme_handler.h"
#include "views/playback/viseme_player.h"
#include "views/playback/wave_player.h"
#include "views/timeline/timeline_selection_map.h"

namespace {

// A machine without sound says so once, not at every play of every view.
std::atomic<bool> silentReported{false};

}  // namespace

timeline_playback::timeline_playback(const timeline_selection_map& selection, timeline_play_events events,
                                     std::unique_ptr<pcmsrc_wave_player> player)
    : selection_(selection),
      events_(std::move(events)),
      wavePlayer_(player ? std::move(player) : std::make_unique<pcmsrc_wave_player>()),
      visemePlayer_(std::make_unique<CVisemePlayer>()),
      trackingMessage_(pub_register_message("PhonarcView::AudioTracking")),
      stoppedMessage_(pub_register_message("PhonarcView::AudioStopped")) {
    subscribe(this);
    wavePlayer_->SetSilentFallbackNotice([](const std::string& reason) {
        if (silentReported.exchange(true)) return;
        if (COutputLog* log = GetOutputLog())
            log->Log("No sound device could be opened (%s): playback is silent; the cursor and the mouth still follow it.\n",
                     reason.c_str());
    });
}

timeline_playback::~timeline_playback() {
    alive_ = false;
    wavePlayer_->Stop();
    visemePlayer_->Stop();
    wavePlayer_->SetSink(nullptr);
}

bool timeline_playback::IsPlaying() const { return wavePlayer_->IsPlaying(); }

void timeline_playback::PlayOrStop() {
    if (wavePlayer_->IsPlaying()) {
        StopPlayers(true);
        RestorePlayRange();
        return;
    }
    if (!stream_) return;
    const int length = stream_->GetFrameCount();
    const int selStart = selection_.Start(), selEnd = selection_.End();
    int start = 0, count = 0;
    if (selStart == selEnd) {
        start = selStart;
        count = length - start;
        playStart_ = playEnd_ = selStart;
    } else {
        start = std::min(selStart, selEnd);
        const int end = std::max(selStart, selEnd);
        count = (end > length ? length : end) - start;
        playStart_ = selStart;
        playEnd_ = selEnd;
    }
    // A cursor at or past the end has nothing to play (a negative count would be read as a length).
    if (start < 0 || count <= 0) return;
    // Whatever the last play left queued belongs to it, not to this one.
    StopPlayers(false);
    wavePlayer_->SetSink(this);
    wavePlayer_->Play(stream_, kBufferSeconds, kQueueSeconds, start, count);
    visemePlayer_->Start(wavePlayer_.get(), events_.track(), events_.smooth && events_.smooth());
    if (events_.changed) events_.changed();
}

void timeline_playback::StopPlayers(bool waveFirst) {
    if (waveFirst) {
        wavePlayer_->Stop();
        visemePlayer_->Stop();
    } else {
        visemePlayer_->Stop();
        wavePlayer_->Stop();
    }
    RestHead();
    // The stopped pump has posted its end already; dropping it keeps a loop from starting again.
    pub_queue::remove_publisher(this, trackingMessage_);
    pub_queue::remove_publisher(this, stoppedMessage_);
    ++loopGeneration_;
}

void timeline_playback::RestorePlayRange() {
    if (playStart_ != playEnd_ || Rewinds()) events_.restore(playStart_, playEnd_);
}

void timeline_playback::RestHead() {
    if (IVisemeHandler* head = GetVisemeHandler()) head->SetViseme("x", 0);
}

void timeline_playback::StopPlayback() {
    // A play that ended by itself (or whose wave player never started) leaves the viseme thread
    // running on the wave player's stream until the end message arrives: the caller is about to
    // free or refill that stream, so both players stop whatever state they are in.
    const bool active = wavePlayer_->IsPlaying() || visemePlayer_->IsRunning();
    StopPlayers(true);
    // The end message, if one was waiting, is dropped with the stop: its range is restored here.
    if (active) RestorePlayRange();
}

void timeline_playback::Stop() { StopPlayers(true); }

void timeline_playback::LoopPlay(unsigned generation) {
    if (generation == loopGeneration_ && !wavePlayer_->IsPlaying()) PlayOrStop();
}

void timeline_playback::notify(publisher*, pub_message* message) {
    const auto* m = static_cast<const audio_play_message*>(message);
    const int position = static_cast<int>(m->position);
    if (static_cast<int>(m->type) == trackingMessage_) {
        events_.follow(position);
    } else if (static_cast<int>(m->type) == stoppedMessage_) {
        visemePlayer_->Stop();
        wavePlayer_->Stop();
        RestHead();
        const unsigned generation = ++loopGeneration_;
        if (playStart_ != playEnd_ || Rewinds()) {
            events_.restore(playStart_, playEnd_);
            if (events_.loop && events_.loop())
                QMetaObject::invokeMethod(this, [this, generation] { LoopPlay(generation); }, Qt::QueuedConnection);
        }
        if (events_.changed) events_.changed();
    }
    message->release();
}

// ---- the wave player's notices, on its pump thread ----

void timeline_playback::OnBufferQueued(void*, int*) {}
void timeline_playback::OnPlaybackStarted() {}

void timeline_playback::OnBufferPlayed(void*, int) {
    if (!alive_) return;
    // At most one position waits, and it is the newest.
    pub_queue::remove_publisher(this, trackingMessage_);
    post(new audio_play_message(static_cast<uint32_t>(trackingMessage_),
                                static_cast<uint32_t>(wavePlayer_->GetPosition())));
}

void timeline_playback::OnPlaybackStopped() {
    if (!alive_) return;
    post(new audio_play_message(static_cast<uint32_t>(stoppedMessage_),
                                static_cast<uint32_t>(wavePlayer_->GetPosition())));
}
