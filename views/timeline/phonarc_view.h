// The timeline view of a document: the time ruler over a stack of channels (waveform, spectrogram,
// energy, the tracks' markers), a left margin with the channels' hide buttons and the Display
// menu, and a bottom strip with the zoom buttons, the phoneme edit box and the scroll bar. It
// scrolls, zooms and selects with the mouse and keys, plays the selection through the wave player
// with the viseme player in step, and follows the play position with its cursor.
#pragma once

#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/core/document_host.h"
#include "model/app_sync_results.h"
#include "model/messaging.h"
#include "views/offscreen/offscreen_dib.h"
#include "views/playback/wave_player.h"
#include "views/playback/wave_player_event_sink.h"
#include "views/timeline/channel_view.h"
#include "views/timeline/signal_summaries.h"
#include "views/timeline/time_ruler.h"
#include "views/timeline/timeline_composer.h"
#include "views/timeline/timeline_host.h"

class CMemoryPCMStream;
class CPhonarcDoc;
class CVisemePlayer;
class ISpectralDataSource;
class QLineEdit;
class QPushButton;
class QScrollBar;

// What the view needs of the frames around it; each may be left empty.
struct TimelineViewHooks {
    // The main frame's three status panes: selection start, end and the phoneme under the start.
    std::function<void(const QString&, const QString&, const QString&)> statusPanes;
    // The main frame's playback options.
    std::function<bool()> playRewind;
    std::function<bool()> playLoop;
    // The viseme bar's "Smooth Visemes".
    std::function<bool()> smoothVisemes;
    // Runs a command through the main window's routing (Delete Markers, Set Phoneme...).
    std::function<void(int id)> runCommand;
    // Opens the view's context menu at a global point when no channel handled it.
    std::function<void(const QPoint& global)> contextMenu;
    // The selection, the tracks or playback changed: what commands may do has changed.
    std::function<void()> stateChanged;
    // The phoneme edit box's text on Enter; the document replaces the selection's phonemes.
    std::function<void(const std::string& label)> setPhoneme;
};

// GUI thread only, except the wave player's notices, which arrive on its pump thread and only
// post position messages to the view through the post queue.
class CPhonarcView : public QWidget,
                     public document_view,
                     public IWavePlayerEventSink,
                     public ITimelineHost,
                     public publisher,
                     public subscriber {
    Q_OBJECT
public:
    // Scroll codes of OnHScroll.
    enum ScrollCode { kLineLeft, kLineRight, kPageLeft, kPageRight, kThumbPosition, kThumbTrack, kLeftEnd, kRightEnd, kEndScroll };
    static constexpr int kDoubleClickMs = 500;
    static constexpr double kBufferSeconds = static_cast<double>(0.03f);
    static constexpr double kQueueSeconds = 4.0;

    // Views the document and takes its audio and tracks. A null player makes one on the default
    // sound device.
    explicit CPhonarcView(CPhonarcDoc& doc, QWidget* parent = nullptr,
                          std::unique_ptr<pcmsrc_wave_player> player = nullptr);
    ~CPhonarcView() override;

    void SetHooks(TimelineViewHooks hooks) { hooks_ = std::move(hooks); }
    // Makes this view's marker channels from its next rebuild on (done at once when it has audio).
    // A new view edits its markers (CreateTimelineMarkerChannel); an empty factory leaves the plain
    // drawing.
    void SetChannelFactory(MarkerChannelFactory factory);

    // ---- document_view ----
    void SetTracks(const app_sync_results* tracks) override;
    void SetAudioStream(CMemoryPCMStream* audio) override;
    void ShowWordsChannel() override;
    void ShowChannel(uint32_t bit, bool shown) override;
    void RedrawChannels(bool all) override;
    void StopPlayback() override;
    void OnPlay() override;
    bool GetSelection(int* start, int* end) override;

    // ---- ITimelineHost ----
    app_sync_results& Track(int index) override { return tracks_[index]; }
    void SetCapturingChannel(CPhonarcChannelView* channel) override { capturing_ = channel; }
    CPhonarcChannelView* CapturingChannel() const override { return capturing_; }
    void CommitTrackEdit(const std::string& name, int track, int startMs, int endMs) override;
    bool IsControlDown() const override;
    void SetChannelCursor(Qt::CursorShape shape) override { setCursor(shape); }
    void MapFromScreen(int screenX, int screenY, int* x, int* y) const override;

    // ---- layout and maps ----
    void SetDisplayMode(uint32_t mask);
    uint32_t DisplayMode() const { return state_.displayMask; }
    void ToggleChannel(uint32_t bit);
    int XToSample(int x) const { return state_.map.XToSample(x); }
    int SampleToX(int sample) const { return state_.map.SampleToX(sample); }
    int FirstSample() const { return state_.map.firstSample; }
    int SamplesPerPixel() const { return state_.map.samplesPerPixel; }
    const BandRect& ChannelArea() const { return area_; }
    const ChannelList& Channels() const { return channels_; }
    CMemoryPCMStream* Stream() const { return stream_; }
    const CWinRulerView& Ruler() const { return ruler_; }
    // The display bit of the first channel whose band holds y, 0 when none.
    uint32_t ChannelAt(int x, int y, CPhonarcChannelView** channel = nullptr) const;

    // ---- navigation and selection ----
    void SetSelection(int start, int end, bool scroll);
    void OnHScroll(ScrollCode code, int trackPosition = 0);
    void ScrollToSample(int sample);
    void ZoomIn();
    void ZoomOut();
    void Rezoom(bool keepCursor);
    void SelectAll();
    void Unselect();
    void SelectMarkerAtPoint(int x, int y);
    int CurrentTrack() const { return currentTrack_; }
    // The status texts: start, end and (unless tracking) the track 1 phoneme under the start.
    void UpdateStatusText(bool tracking);
    QString StatusText(int pane) const { return status_[pane]; }
    void ShowVisemeAt(int ms);

    // ---- playback ----
    void OnRewind();
    bool IsPlaying() const;
    pcmsrc_wave_player& WavePlayer() { return *wavePlayer_; }
    CVisemePlayer& VisemePlayer() { return *visemePlayer_; }
    int PlayRangeStart() const { return playStart_; }
    int PlayRangeEnd() const { return playEnd_; }
    // Handles the queued position messages (the post queue calls it on the GUI thread).
    void notify(publisher* sender, pub_message* message) override;

    // ---- IWavePlayerEventSink (pump thread) ----
    void OnBufferQueued(void* data, int* frames) override;
    void OnBufferPlayed(void* data, int bytes) override;
    void OnPlaybackStopped() override;
    void OnPlaybackStarted() override;

    // The composed picture as the window shows it (selection inverted), for checks and printing.
    QImage Grab();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void InitialUpdate();
    // The first paint or the first navigation takes the initial zoom as final: until then every
    // resize recomputes it, since a new window gets several sizes before its own.
    void SettleZoom() { zoomPending_ = zoomPending_ && !stream_; }
    void RebuildChannels();
    void DeleteChannels();
    void DestroySources();
    void LayoutControls();
    // The channel area, narrowed by the vertical scroll bar when the channels need more height
    // than there is.
    void ComputeArea();
    int ChannelsNeededHeight() const;
    void UpdateScrollBar();
    void Compose(const BandRect& clip);
    void OnMarginClick(int x, int y, const QPoint& global);
    void SetPhonemeAtCursor();
    void SetCursorShape(int x, int y);
    // Stops both players; a user's stop drops the pending position and end messages, so a loop
    // does not start again.
    void StopPlayers(bool waveFirst);
    void RestorePlayRange();
    // After a play: the range it started from, scrolled into view.
    void ShowRestoredRange();
    // The head's rest shape, once playback no longer drives it.
    void RestHead();
    Q_INVOKABLE void LoopPlay(unsigned generation);
    uint32_t MouseFlags(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) const;
    int StreamLength() const;

    CPhonarcDoc& doc_;
    TimelineViewHooks hooks_;
    MarkerChannelFactory channelFactory_;

    // last full composition: area left, top, right, bottom, samples per pixel, first sample
    int lastLayout_[6] = {};
    bool recompose_ = true;
    COffscreenDib backBuffer_;
    ChannelList channels_;
    std::vector<ISpectralDataSource*> sources_;
    CMemoryPCMStream* stream_ = nullptr;
    CSignalSummaries summaries_;
    TimelineState state_;
    CWinRulerView ruler_;
    QScrollBar* scrollBar_ = nullptr;
    QScrollBar* vScrollBar_ = nullptr;
    int vOffset_ = 0;  // pixels the channels are scrolled up by
    QPushButton* zoomInButton_ = nullptr;
    QPushButton* zoomOutButton_ = nullptr;
    QLineEdit* phonemeEdit_ = nullptr;
    bool zoomPending_ = true;  // the first zoom waits for the view's real width
    BandRect area_;
    int selStart_ = 0;
    int selEnd_ = 0;
    int dragMode_ = 0;  // 1 the mouse moves the end, 2 the start
    CPhonarcChannelView* capturing_ = nullptr;
    int playStart_ = 0;
    int playEnd_ = 0;
    std::unique_ptr<pcmsrc_wave_player> wavePlayer_;
    std::unique_ptr<CVisemePlayer> visemePlayer_;
    int currentTrack_ = 1;
    int64_t lastDoubleClickMs_ = -1000000;
    app_sync_results tracks_[3];
    uint32_t gain_ = 1;
    std::string typed_;
    QString status_[3];
    const int trackingMessage_;
    const int stoppedMessage_;
    std::atomic<bool> alive_{true};  // false from destruction on: the sink posts nothing more
    unsigned loopGeneration_ = 0;    // a user's stop or a new play cancels a pending loop restart
};
