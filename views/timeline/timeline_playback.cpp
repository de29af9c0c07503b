// Playback control of the timeline view: starting and stopping the wave player and the viseme
// player, the cursor following the play position, rewinding and looping.
#include "engine/audio/memory_pcm_stream.h"
#include "model/pub_queue.h"
#include "views/playback/viseme_handler.h"
#include "views/playback/viseme_player.h"
#include "views/playback/wave_player.h"
#include "views/timeline/phonarc_view.h"

bool CPhonarcView::IsPlaying() const { return wavePlayer_->IsPlaying(); }

void CPhonarcView::OnPlay() {
    if (wavePlayer_->IsPlaying()) {
        StopPlayers(true);
        RestorePlayRange();
        return;
    }
    if (!stream_) return;
    const int length = StreamLength();
    int start = 0, count = 0;
    if (selStart_ == selEnd_) {
        start = selStart_;
        count = length - start;
        playStart_ = playEnd_ = selStart_;
    } else {
        start = std::min(selStart_, selEnd_);
        const int end = std::max(selStart_, selEnd_);
        count = (end > length ? length : end) - start;
        playStart_ = selStart_;
        playEnd_ = selEnd_;
    }
    // A cursor at or past the end has nothing to play (a negative count would be read as a length).
    if (start < 0 || count <= 0) return;
    // Whatever the last play left queued belongs to it, not to this one.
    StopPlayers(false);
    wavePlayer_->SetSink(this);
    wavePlayer_->Play(stream_, kBufferSeconds, kQueueSeconds, start, count);
    visemePlayer_->Start(wavePlayer_.get(), tracks_[currentTrack_], hooks_.smoothVisemes && hooks_.smoothVisemes());
    if (hooks_.stateChanged) hooks_.stateChanged();
}

void CPhonarcView::StopPlayers(bool waveFirst) {
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

void CPhonarcView::RestorePlayRange() {
    const bool rewind = hooks_.playRewind ? hooks_.playRewind() : true;
    if (playStart_ != playEnd_ || rewind) ShowRestoredRange();
}

void CPhonarcView::ShowRestoredRange() {
    SetSelection(playStart_, playEnd_, false);
    // Following the play position paged the view on: bring the restored cursor back into it.
    ScrollToSample(playStart_);
}

void CPhonarcView::RestHead() {
    if (IVisemeHandler* head = GetVisemeHandler()) head->SetViseme("x", 0);
}

void CPhonarcView::StopPlayback() {
    // A play that ended by itself (or whose wave player never started) leaves the viseme thread
    // running on the wave player's stream until the end message arrives: the caller is about to
    // free or refill that stream, so both players stop whatever state they are in.
    const bool active = wavePlayer_->IsPlaying() || visemePlayer_->IsRunning();
    StopPlayers(true);
    // The end message, if one was waiting, is dropped with the stop: its range is restored here.
    if (active) RestorePlayRange();
}

void CPhonarcView::OnRewind() {
    StopPlayers(true);
    SetSelection(0, 0, false);
}

void CPhonarcView::LoopPlay(unsigned generation) {
    if (generation == loopGeneration_ && !wavePlayer_->IsPlaying()) OnPlay();
}

void CPhonarcView::notify(publisher*, pub_message* message) {
    const auto* m = static_cast<const audio_play_message*>(message);
    const int position = static_cast<int>(m->position);
    if (static_cast<int>(m->type) == trackingMessage_) {
        SetSelection(position, position, true);
    } else if (static_cast<int>(m->type) == stoppedMessage_) {
        visemePlayer_->Stop();
        wavePlayer_->Stop();
        RestHead();
        ++loopGeneration_;
        const bool rewind = hooks_.playRewind ? hooks_.playRewind() : true;
        if (playStart_ != playEnd_ || rewind) {
            ShowRestoredRange();
            if (hooks_.playLoop && hooks_.playLoop())
                QMetaObject::invokeMethod(this, "LoopPlay", Qt::QueuedConnection, Q_ARG(unsigned, loopGeneration_));
        }
        if (hooks_.stateChanged) hooks_.stateChanged();
    }
    message->release();
}

// ---- the wave player's notices, on its pump thread ----

void CPhonarcView::OnBufferQueued(void*, int*) {}
void CPhonarcView::OnPlaybackStarted() {}

void CPhonarcView::OnBufferPlayed(void*, int) {
    if (!alive_) return;
    // At most one position waits, and it is the newest.
    pub_queue::remove_publisher(this, trackingMessage_);
    post(new audio_play_message(static_cast<uint32_t>(trackingMessage_),
                                static_cast<uint32_t>(wavePlayer_->GetPosition())));
}

void CPhonarcView::OnPlaybackStopped() {
    if (!alive_) return;
    post(new audio_play_message(static_cast<uint32_t>(stoppedMessage_),
                                static_cast<uint32_t>(wavePlayer_->GetPosition())));
}
