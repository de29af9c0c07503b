// What a document needs of the program around it: the settings store, the questions to the user,
// the progress dialog of long loads and the main frame's recognition-range list; and what it tells
// its views. The Qt shell implements these; tests script them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/api/progress.h"

class IProfileStore;
class IPrompts;
class CMemoryPCMStream;
class app_sync_results;

// A modeless progress dialog that lives as long as the object; its window goes with it.
class document_progress : public CProgress {
public:
    ~document_progress() override = default;
};

// User-interface thread only. Every pointer is borrowed and outlives the documents.
struct document_host {
    IProfileStore* profile = nullptr;  // required
    IPrompts* prompts = nullptr;       // required
    // A progress dialog with the status text shown; null (or no function) loads without one.
    std::function<std::unique_ptr<document_progress>(const std::string& status)> begin_progress;
    // The main frame's recognition-range list: its selection (0 entire file, 1 selection), or -1
    // when the list does not exist; and selecting an item.
    std::function<int()> range_selection;
    std::function<void(int)> select_range;
    // The history or the modified flag changed (an action done, undone or redone; a save): what
    // Undo, Redo and Save offer has changed. May be empty.
    std::function<void()> history_changed;
};

// A view of a document: the timeline (later) or the document frame's summary. Each call has a
// do-nothing default so a view takes only what it shows.
class document_view {
public:
    virtual ~document_view() = default;
    // Copies of the document's three tracks after any change; redraw the marker channels.
    virtual void SetTracks(const app_sync_results* tracks) { (void)tracks; }
    // The document's audio was replaced (opened, reloaded, filtered); rebuild the signal channels.
    virtual void SetAudioStream(CMemoryPCMStream* audio) { (void)audio; }
    // The samples changed in place (a filter, its undo or redo), just before SetAudioStream with
    // the same stream: its data block may even sit at the old address, so drop every summary.
    virtual void AudioSamplesChanged() {}
    // Redraw every channel now.
    virtual void RedrawChannels(bool all) { (void)all; }
    // Text-based alignment gave words: a timeline that hides the words channel shows it.
    virtual void ShowWordsChannel() {}
    // Shows or hides the band of a display bit (display_channels.h).
    virtual void ShowChannel(uint32_t bit, bool shown) {
        (void)bit;
        (void)shown;
    }
    // Ends any playback and lets go of the audio, whatever state the play is in (also one that
    // ended by itself a moment ago): the document frees or refills the samples right after.
    virtual void StopPlayback() {}
    virtual void OnPlay() {}
    // The selection in samples; false when there is none.
    virtual bool GetSelection(int* start, int* end) {
        (void)start;
        (void)end;
        return false;
    }
    // The document's name, title or modified state changed.
    virtual void DocumentChanged() {}
};
