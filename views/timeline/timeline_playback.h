// Playing a timeline view's selection: the wave player on the document's audio, the viseme player
// in step with it, the play position posted back to the GUI thread for the cursor to follow, and
// what happens at the end (rewind, loop).
#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "model/messaging.h"
#include "views/playback/wave_player_event_sink.h"

class app_sync_results;
class CMemoryPCMStream;
class CVisemePlayer;
class pcmsrc_wave_player;
class timeline_selection_map;

// What playing asks of the view it plays for. The view sets every function; the options may be
// left empty.
struct timeline_play_events {
    // The track whose phonemes and articulation drive the head.
    std::function<const app_sync_results&()> track;
    // The play position moved: the cursor follows it, scrolling the view.
    std::function<void(int sample)> follow;
    // The range a play started from comes back after it, scrolled into view.
    std::function<void(int start, int end)> restore;
    // Playing started or stopped.
    std::function<void()> changed;
    // The main frame's options: rewind after a play (empty: yes), loop (empty: no), and the viseme
    // bar's "Smooth Visemes" (empty: no).
    std::function<bool()> rewind;
    std::function<bool()> loop;
    std::function<bool()> smooth;
};

// GUI thread only, except the wave player's notices, which arrive on its pump thread and only
// post position messages to this object through the post queue.
class timeline_playback : public QObject, public IWavePlayerEventSink, public publisher, public subscriber {
public:
    static constexpr double kBufferSeconds = static_cast<double>(0.03f);
    static constexpr double kQueueSeconds = 4.0;

    // Plays the selection of the map. A null player makes one on the default sound device.
    timeline_playback(const timeline_selection_map& selection, timeline_play_events events,
                      std::unique_ptr<pcmsrc_wave_player> player = nullptr);
    ~timeline_playback() override;

    // The recording plays from; null plays nothing.
    void SetStream(CMemoryPCMStream* stream) { stream_ = stream; }
    // Plays the selection (a cursor plays to the end), or stops a play and restores its range.
    void PlayOrStop();
    bool IsPlaying() const;
    // Ends any play, whatever state it is in (also one that ended by itself a moment ago): the
    // caller frees or refills the audio right after. The range of a play comes back.
    void StopPlayback();
    // Stops without restoring the range (Rewind puts the cursor at 0 itself).
    void Stop();
    pcmsrc_wave_player& WavePlayer() { return *wavePlayer_; }
    CVisemePlayer& VisemePlayer() { return *visemePlayer_; }

    // Handles the queued position and end messages (the post queue calls it on the GUI thread).
    void notify(publisher* sender, pub_message* message) override;

    // ---- IWavePlayerEventSink (pump thread) ----
    void OnBufferQueued(void* data, int* frames) override;
    void OnBufferPlayed(void* data, int bytes) override;
    void OnPlaybackStopped() override;
    void OnPlaybackStarted() override;

private:
    // Stops both players; a user's stop drops the pending position and end messages, so a loop
    // does not start again.
    void StopPlayers(bool waveFirst);
    void RestorePlayRange();
    // The head's rest shape, once playback no longer drives it.
    void RestHead();
    void LoopPlay(unsigned generation);
    bool Rewinds() const { return events_.rewind ? events_.rewind() : true; }

    const timeline_selection_map& selection_;
    timeline_play_events events_;
    CMemoryPCMStream* stream_ = nullptr;
    std::unique_ptr<pcmsrc_wave_player> wavePlayer_;
    std::unique_ptr<CVisemePlayer> visemePlayer_;
    int playStart_ = 0;
    int playEnd_ = 0;
    const int trackingMessage_;
    const int stoppedMessage_;
    std::atomic<bool> alive_{true};  // false from destruction on: the sink posts nothing more
    unsigned loopGeneration_ = 0;    // a user's stop or a new play cancels a pending loop restart
};
