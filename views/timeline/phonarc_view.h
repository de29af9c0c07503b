// The timeline view of a document: the time ruler over a stack of channels (waveform, spectrogram,
// energy, the tracks' markers), a left margin with the channels' hide buttons and the Display
// menu, and a bottom strip with the zoom buttons, the phoneme edit box and the scroll bar. It
// scrolls, zooms and selects with the mouse and keys, plays the selection and follows the play
// position with its cursor.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/core/document_host.h"
#include "model/app_sync_results.h"
#include "views/offscreen/offscreen_dib.h"
#include "views/playback/wave_player.h"
#include "views/timeline/channel_view.h"
#include "views/timeline/signal_summaries.h"
#include "views/timeline/time_ruler.h"
#include "views/timeline/timeline_composer.h"
#include "views/timeline/timeline_host.h"
#include "views/timeline/timeline_playback.h"
#include "views/timeline/timeline_selection_map.h"

class CMemoryPCMStream;
class CPhonarcDoc;
class CPhonarcView;
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
    // Runs a command on the view's document (Delete Markers, Set Phoneme...).
    std::function<void(int id)> runCommand;
    // Opens the view's context menu, whose commands act on the view's document, at a global point
    // when no channel handled it.
    std::function<void(const QPoint& global)> contextMenu;
    // The selection, the tracks or playback changed: what commands may do has changed.
    std::function<void()> stateChanged;
    // The phoneme edit box's text on Enter; the document replaces the selection's phonemes.
    std::function<void(const std::string& label)> setPhoneme;
    // Whether the head shows this view's document (its frame is the active one); without it
    // the view always does.
    std::function<bool(const CPhonarcView& view)> showsHead;
};

// Everything a view is made with: it builds its channels once, with these.
struct timeline_view_setup {
    TimelineViewHooks hooks;
    // The channels of the marker bits the view's own marker channels leave (the Flash gestures of
    // the Flash document); empty leaves those bands empty.
    MarkerChannelFactory channels;
    // Null plays on the default sound device.
    std::unique_ptr<pcmsrc_wave_player> player;
};

// GUI thread only. Its selection and time map are the document's selection source; its playback
// runs the players (see timeline_selection_map.h, timeline_playback.h).
class CPhonarcView : public QWidget, public document_view, public ITimelineHost {
    Q_OBJECT
public:
    using ScrollCode = timeline_selection_map::ScrollCode;
    using enum timeline_selection_map::ScrollCode;
    static constexpr int kDoubleClickMs = 500;

    // Views the document and takes its audio and tracks.
    explicit CPhonarcView(CPhonarcDoc& doc, timeline_view_setup setup = {}, QWidget* parent = nullptr);
    ~CPhonarcView() override;

    // ---- document_view ----
    void SetTracks(const app_sync_results* tracks) override;
    void SetAudioStream(CMemoryPCMStream* audio) override;
    void ShowWordsChannel() override;
    void ShowChannel(uint32_t bit, bool shown) override;
    void RedrawChannels(bool all) override;
    void StopPlayback() override;
    void OnPlay() override;
    bool GetSelection(int* start, int* end) override { return selection_.GetSelection(start, end); }

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
    // The head takes the mouth at the cursor: the shape there, at rest where there is none.
    // Not while playing, when the viseme player moves it.
    void ShowVisemeAtCursor();

    // ---- playback ----
    void OnRewind();
    bool IsPlaying() const;
    timeline_playback& Playback() { return *playback_; }

    // The composed picture as the window shows it (selection inverted), for checks and printing.
    QImage Grab();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void InitialUpdate();
    // The first paint or the first navigation takes the initial zoom as final: until then every
    // resize recomputes it, since a new window gets several sizes before its own.
    void SettleZoom() { zoomPending_ = zoomPending_ && !stream_; }
    // Builds the channels now when the view is shown, else when it shows.
    void RebuildChannels();
    void BuildChannels();
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
    uint32_t MouseFlags(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) const;
    int StreamLength() const;
    void NotifyStateChanged() {
        if (hooks_.stateChanged) hooks_.stateChanged();
    }

    CPhonarcDoc& doc_;
    const TimelineViewHooks hooks_;
    const MarkerChannelFactory channelFactory_;

    // last full composition: area left, top, right, bottom, samples per pixel, first sample
    int lastLayout_[6] = {};
    bool recompose_ = true;
    COffscreenDib backBuffer_;
    ChannelList channels_;
    bool channelsPending_ = false;  // hidden since the layout changed: built when shown
    std::vector<ISpectralDataSource*> sources_;
    CMemoryPCMStream* stream_ = nullptr;
    CSignalSummaries summaries_;
    TimelineState state_;
    timeline_selection_map selection_;
    std::unique_ptr<timeline_playback> playback_;
    CWinRulerView ruler_;
    QScrollBar* scrollBar_ = nullptr;
    QScrollBar* vScrollBar_ = nullptr;
    int vOffset_ = 0;  // pixels the channels are scrolled up by
    QPushButton* zoomInButton_ = nullptr;
    QPushButton* zoomOutButton_ = nullptr;
    QLineEdit* phonemeEdit_ = nullptr;
    bool zoomPending_ = true;  // the first zoom waits for the view's real width
    BandRect area_;
    timeline_selection_map::Edge dragEdge_ = timeline_selection_map::kNoEdge;
    CPhonarcChannelView* capturing_ = nullptr;
    int currentTrack_ = 1;
    int64_t lastDoubleClickMs_ = -1000000;
    app_sync_results tracks_[3];
    uint32_t gain_ = 1;
    std::string typed_;
    QString status_[3];
};
