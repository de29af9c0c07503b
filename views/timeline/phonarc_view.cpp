// The timeline view: construction, the document's audio and tracks, channels, layout and drawing.
// Navigation and the mouse and keys are in timeline_navigation.cpp.
#include "views/timeline/phonarc_view.h"

#include <QDebug>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

#include "app/core/phonarc_doc.h"
#include "app/core/profile_store.h"
#include "engine/analysis/spectral_data_source.h"
#include "engine/audio/memory_pcm_stream.h"
#include "views/timeline/marker_channels.h"

namespace {

QRect ToQRect(const BandRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

}  // namespace

CPhonarcView::CPhonarcView(CPhonarcDoc& doc, timeline_view_setup setup, QWidget* parent)
    : QWidget(parent),
      doc_(doc),
      hooks_(std::move(setup.hooks)),
      channelFactory_(std::move(setup.channels)),
      selection_(doc, state_.map) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    // The ruler, room for two channels and the strip: the bars around the view yield before it
    // shrinks to a sliver (more channels scroll).
    setMinimumHeight(kRulerHeight + 2 * kMinFlexibleHeight + style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    setMouseTracking(true);

    if (IProfileStore* profile = doc_.host().profile) {
        state_.displayMask = DisplayMaskFromProfile(
            static_cast<uint32_t>(profile->GetInt(kDisplaySection, kDisplayModeKey, kDefaultDisplayMode)));
        gain_ = static_cast<uint32_t>(profile->GetInt(kDisplaySection, kGainKey, kDefaultGain));
    } else {
        state_.displayMask = kDefaultDisplayMode;
    }
    state_.host = this;
    state_.tracks = tracks_;
    state_.summaries = &summaries_;
    state_.spectralWindow = kSpectralWindow;

    timeline_play_events events;
    events.track = [this]() -> const app_sync_results& { return tracks_[currentTrack_]; };
    events.follow = [this](int sample) { SetSelection(sample, sample, true); };
    events.restore = [this](int start, int end) {
        SetSelection(start, end, false);
        // Following the play position paged the view on: bring the restored cursor back into it.
        ScrollToSample(start);
    };
    events.changed = [this] { NotifyStateChanged(); };
    events.rewind = hooks_.playRewind;
    events.loop = hooks_.playLoop;
    events.smooth = hooks_.smoothVisemes;
    playback_ = std::make_unique<timeline_playback>(selection_, std::move(events), std::move(setup.player));

    BuildControls();
    for (int i = 0; i < 3; ++i) tracks_[i] = doc_.track(i);
    doc_.AddView(this);
    if (doc_.audio()) SetAudioStream(doc_.audio());
}

void CPhonarcView::BuildControls() {
    const QFont guiFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    scrollBar_ = new QScrollBar(Qt::Horizontal, this);
    scrollBar_->setSingleStep(10);
    connect(scrollBar_, &QScrollBar::valueChanged, this, [this](int value) {
        if (value != state_.map.firstSample / std::max(state_.map.samplesPerPixel, 1)) OnHScroll(kThumbPosition, value);
    });
    // Channels that do not fit the view's height scroll; the bar shows only then.
    vScrollBar_ = new QScrollBar(Qt::Vertical, this);
    vScrollBar_->setSingleStep(20);
    vScrollBar_->hide();
    connect(vScrollBar_, &QScrollBar::valueChanged, this, [this](int value) {
        if (value == vOffset_) return;
        vOffset_ = value;
        RebuildChannels();
        recompose_ = true;
        update();
    });
    phonemeEdit_ = new QLineEdit(this);
    phonemeEdit_->setFont(guiFont);
    phonemeEdit_->installEventFilter(this);
    zoomInButton_ = new QPushButton(tr("Zoom In"), this);
    zoomOutButton_ = new QPushButton(tr("Zoom Out"), this);
    // The strip is only a scroll bar high: small type and no padding keep the captions readable.
    QFont small = guiFont;
    small.setPixelSize(std::max(style()->pixelMetric(QStyle::PM_ScrollBarExtent) - 5, 8));
    for (QPushButton* b : {zoomInButton_, zoomOutButton_}) {
        b->setFont(small);
        b->setStyleSheet(QStringLiteral("QPushButton { padding: 0px; }"));
        b->setFocusPolicy(Qt::NoFocus);
    }
    connect(zoomInButton_, &QPushButton::clicked, this, &CPhonarcView::ZoomIn);
    connect(zoomOutButton_, &QPushButton::clicked, this, &CPhonarcView::ZoomOut);
}

CPhonarcView::~CPhonarcView() {
    // The players stop (waiting for their threads) before the view lets go of the audio.
    playback_.reset();
    doc_.RemoveView(this);
    DestroySources();
    DeleteChannels();
    if (IProfileStore* profile = doc_.host().profile) {
        profile->WriteInt(kDisplaySection, kDisplayModeKey, static_cast<int>(state_.displayMask));
        profile->WriteInt(kDisplaySection, kGainKey, static_cast<int>(gain_));
    }
}

int CPhonarcView::StreamLength() const { return stream_ ? stream_->GetFrameCount() : 0; }

// ---- the document ----

void CPhonarcView::SetTracks(const app_sync_results* tracks) {
    for (int i = 0; i < 3; ++i) tracks_[i] = tracks[i];
    RedrawChannels(false);
    // The phoneme pane names the phoneme under the cursor, which an edit may have replaced, and
    // the head shows its mouth.
    UpdateStatusText(false);
    if (!hooks_.showsHead || hooks_.showsHead(*this)) ShowVisemeAtCursor();
    NotifyStateChanged();
}

void CPhonarcView::SetAudioStream(CMemoryPCMStream* audio) {
    stream_ = audio;
    state_.stream = audio;
    playback_->SetStream(audio);
    summaries_.Invalidate();
    summaries_.Attach(audio);
    recompose_ = true;
    ruler_.SetStream(audio);
    DestroySources();
    if (audio) {
        PCMFormat format{};
        audio->GetFormat(&format);
        for (int a = 0; a < std::max<int>(format.channels, 1); ++a) {
            ISpectralDataSource* source = nullptr;
            if (CreateSpectralDataSource(&source) == 0 && source) sources_.push_back(source);
        }
        if (zoomPending_ || state_.map.samplesPerPixel < 1) InitialUpdate();
    }
    RebuildChannels();
    update();
}

void CPhonarcView::ShowWordsChannel() {
    if (!(DisplayMode() & kShowWords)) SetDisplayMode(DisplayMode() | kShowWords);
}

void CPhonarcView::ShowChannel(uint32_t bit, bool shown) {
    const uint32_t mask = shown ? DisplayMode() | bit : DisplayMode() & ~bit;
    if (mask != DisplayMode()) SetDisplayMode(mask);
}

void CPhonarcView::InitialUpdate() {
    PCMFormat format{};
    stream_->GetFormat(&format);
    selection_.ResetZoom(StreamLength(), static_cast<int>(format.sampleRate >> 16), width());
    ruler_.SetRect({0 + kMarginWidth, 0, width(), kRulerHeight});
    ruler_.SetSamplesPerPixel(state_.map.samplesPerPixel);
    ruler_.SetMode(CWinRulerView::kTime, static_cast<uint32_t>(stream_->MsToFrames(83)));
    ruler_.SetFirstSample(0);
    ComputeArea();
    LayoutControls();
}

int CPhonarcView::ChannelsNeededHeight() const {
    if (!stream_) return 0;
    PCMFormat format{};
    stream_->GetFormat(&format);
    return ChannelStackHeight(state_.displayMask, std::max<int>(format.channels, 1), kMinFlexibleHeight,
                              !sources_.empty() && sources_.front() != nullptr);
}

void CPhonarcView::ComputeArea() {
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    area_ = ComputeChannelArea({0, 0, width(), height()}, extent);
    const int need = ChannelsNeededHeight();
    const bool scroll = area_.Height() > 0 && need > area_.Height();
    if (scroll) area_.right = std::max(area_.left, area_.right - extent);
    vOffset_ = scroll ? std::clamp(vOffset_, 0, need - area_.Height()) : 0;
    const QSignalBlocker block(vScrollBar_);
    if (scroll) {
        vScrollBar_->setRange(0, need - area_.Height());
        vScrollBar_->setPageStep(area_.Height());
        vScrollBar_->setValue(vOffset_);
        vScrollBar_->setGeometry(area_.right, area_.top, extent, area_.Height());
    }
    vScrollBar_->setVisible(scroll);
}

void CPhonarcView::CommitTrackEdit(const std::string& name, int track, int startMs, int endMs) {
    // The document copies the track and sends all three back to every view, this one included.
    const app_sync_results edited = tracks_[track];
    doc_.CommitTrackEdit(name, edited, track, startMs, endMs);
}

// ---- channels and layout ----

void CPhonarcView::DeleteChannels() {
    capturing_ = nullptr;
    channels_.clear();
}

void CPhonarcView::DestroySources() {
    DeleteChannels();  // the spectral channels hold the sources
    for (ISpectralDataSource* source : sources_) source->Destroy();
    sources_.clear();
}

bool CPhonarcView::IsControlDown() const {
    return (QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier) != 0;
}

void CPhonarcView::MapFromScreen(int screenX, int screenY, int* x, int* y) const {
    const QPoint p = mapFromGlobal(QPoint(screenX, screenY));
    *x = p.x();
    *y = p.y();
}

void CPhonarcView::RebuildChannels() {
    // A new view gets its audio and several sizes before it shows: its channels are built when
    // it shows, once, at the size it shows at.
    if (!isVisible()) {
        DeleteChannels();
        channelsPending_ = true;
        return;
    }
    BuildChannels();
}

void CPhonarcView::showEvent(QShowEvent*) {
    if (channelsPending_) BuildChannels();
}

void CPhonarcView::BuildChannels() {
    DeleteChannels();
    channelsPending_ = false;
    if (!stream_) return;
    PCMFormat format{};
    stream_->GetFormat(&format);
    ISpectralDataSource* source = sources_.empty() ? nullptr : sources_.front();
    ComputeArea();
    // Scrolled: the flexible channels keep their least height and the stack moves up by the offset.
    const std::vector<ChannelBand> bands =
        vScrollBar_->isVisibleTo(this)
            ? LayoutChannelsWithFlexibleHeight(state_.displayMask, std::max<int>(format.channels, 1),
                                               {area_.left, area_.top - vOffset_, area_.right, area_.bottom},
                                               kMinFlexibleHeight, source != nullptr)
            : LayoutChannels(state_.displayMask, std::max<int>(format.channels, 1), area_, source != nullptr);
    for (const ChannelBand& band : bands) {
        std::unique_ptr<CPhonarcChannelView> channel = CreateSignalChannel(band, &state_, source);
        if (!channel) channel = CreateMarkerChannel(band, &state_, this);
        if (!channel && channelFactory_) channel = channelFactory_(band, &state_);
        // The Flash gestures live in the Flash document: without its channel the band stays empty.
        if (!channel && band.bit == kShowFlashGestures) {
            channel = std::make_unique<CPhonarcChannelView>(&state_);
            channel->displayBit = band.bit;
            channel->audioChannel = static_cast<uint16_t>(band.audioChannel);
            channel->band = band.band;
        }
        if (channel) channels_.push_back(std::move(channel));
    }
    UpdateScrollBar();
}

void CPhonarcView::UpdateScrollBar() {
    if (!stream_) return;
    const QSignalBlocker block(scrollBar_);
    const int spp = std::max(state_.map.samplesPerPixel, 1);
    scrollBar_->setRange(0, StreamLength() / spp);
    scrollBar_->setPageStep(std::max(area_.Width() / 2, 1));
    scrollBar_->setValue(state_.map.firstSample / spp);
}

void CPhonarcView::LayoutControls() {
    const int bottom = height();
    const int top = area_.bottom;
    const int h = std::max(bottom - top, 0);
    zoomOutButton_->setGeometry(0, top, 50, h);
    zoomInButton_->setGeometry(50, top, 50, h);
    phonemeEdit_->setGeometry(100, top, 110, h);
    scrollBar_->setGeometry(210, top, std::max(width() - 210, 0), h);
}

void CPhonarcView::resizeEvent(QResizeEvent*) {
    ComputeArea();
    ruler_.SetRect({kMarginWidth, 0, width(), kRulerHeight});
    // 25 seconds across, or the whole of a shorter recording, at the size the view is shown at.
    if (stream_ && zoomPending_) InitialUpdate();
    LayoutControls();
    if (stream_) RebuildChannels();
    recompose_ = true;
}

void CPhonarcView::SetDisplayMode(uint32_t mask) {
    state_.displayMask = mask;
    RebuildChannels();
    recompose_ = true;
    update();
}

void CPhonarcView::ToggleChannel(uint32_t bit) { SetDisplayMode(state_.displayMask ^ bit); }

void CPhonarcView::RedrawChannels(bool all) {
    recompose_ = true;
    if (all) {
        update();
        return;
    }
    QRegion region;
    for (const auto& channel : channels_)
        if (channel->displayBit & kMarkerChannelBits) region += ToQRect(channel->band).adjusted(0, 0, 1, 1);
    if (!region.isEmpty()) update(region);
}

uint32_t CPhonarcView::ChannelAt(int, int y, CPhonarcChannelView** channel) const {
    for (const auto& c : channels_) {
        if (c->band.top <= y && y <= c->band.bottom) {
            if (channel) *channel = c.get();
            return c->displayBit;
        }
    }
    if (channel) *channel = nullptr;
    return 0;
}

// ---- drawing ----

void CPhonarcView::Compose(const BandRect& clip) {
    const int key[6] = {area_.left, area_.top, area_.right, area_.bottom, state_.map.samplesPerPixel,
                        state_.map.firstSample};
    if (!recompose_ && std::equal(key, key + 6, lastLayout_)) return;
    ComposeTimeline(backBuffer_, clip, ruler_, channels_, area_, palette().button().color());
    std::copy(key, key + 6, lastLayout_);
    recompose_ = false;
}

void CPhonarcView::paintEvent(QPaintEvent* event) {
    SettleZoom();
    QPainter window(this);
    if (!stream_) {
        window.fillRect(event->rect(), palette().window());
        return;
    }
    const QRect r = event->rect();
    BandRect clip{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
    if (backBuffer_.GetWidth() != width() || backBuffer_.GetHeight() != height()) {
        if (!backBuffer_.Create(width(), height(), 24)) {
            qDebug("UpdateCompose Failed");
            return;
        }
        // A new back buffer holds nothing yet: compose all of it.
        recompose_ = true;
        clip = {0, 0, width(), height()};
    }
    Compose(clip);
    const BandRect selection = selection_.Rect(area_);
    InvertRect(backBuffer_, selection);
    {
        // The ruler is drawn on every paint: without clearing, its antialiased labels thicken.
        QPainter ruler(&backBuffer_.Image());
        ruler.setClipRect(ToQRect(ruler_.GetRect()));
        ruler.fillRect(ToQRect(ruler_.GetRect()), Qt::white);
        ruler_.Draw(ruler, nullptr);
    }
    window.drawImage(r, backBuffer_.Image(), r);
    InvertRect(backBuffer_, selection);
}

QImage CPhonarcView::Grab() {
    if (!stream_) return {};
    if (channelsPending_) BuildChannels();
    if (backBuffer_.GetWidth() != width() || backBuffer_.GetHeight() != height()) {
        if (!backBuffer_.Create(width(), height(), 24)) return {};
    }
    recompose_ = true;
    Compose({0, 0, width(), height()});
    const BandRect selection = selection_.Rect(area_);
    InvertRect(backBuffer_, selection);
    QImage image = backBuffer_.Image().copy();
    InvertRect(backBuffer_, selection);
    return image;
}
