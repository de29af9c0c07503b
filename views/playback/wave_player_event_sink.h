// Notices of the wave player to its owner (the timeline view), all sent on the player's pump thread.
#pragma once

// No data. Called on the pump thread with the player's lock held (except the started and stopped
// notices): a sink may call the player's position and state queries, but must not stop the
// player, nor wait for a thread that is stopping it.
class IWavePlayerEventSink {
public:
    virtual ~IWavePlayerEventSink() = default;
    // A buffer was filled and is about to be written; the sink may change the data and the frame
    // count in place (the buffer's length follows the count; never raise it above what came in).
    virtual void OnBufferQueued(void* data, int* frames) = 0;
    // The device finished a buffer.
    virtual void OnBufferPlayed(void* data, int bytes) = 0;
    // The pump thread is about to end.
    virtual void OnPlaybackStopped() = 0;
    // The pump thread has started.
    virtual void OnPlaybackStarted() = 0;
};
