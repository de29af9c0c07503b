// The still-frame player control: loads a movie through the SWF library and blits its rendered frame.
#include "flash/ui/swf_player_control.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "flash/ui/swf_frame_renderer.h"
#include "swf/flash_movie.h"
#include "swf/flash_stream.h"

CSwfPlayerControl::CSwfPlayerControl(QWidget* parent) : QWidget(parent) {}

CSwfPlayerControl::~CSwfPlayerControl() = default;

void CSwfPlayerControl::SetMovie(const QString& path) {
    renderer_.reset();
    movie_.reset();
    errors_.clear();
    cache_ = QImage();
    path_ = path;
    frame_ = 0;
    flash_ifstream in(path.toStdString());
    auto movie = std::make_unique<FSWFMovie>();
    if (in.fail()) {
        errors_.push_back("cannot read " + path.toStdString());
    } else if (movie->Load(in, errors_)) {
        movie_ = std::move(movie);
        renderer_ = std::make_unique<CSwfFrameRenderer>(*movie_);
    }
    update();
}

void CSwfPlayerControl::GotoFrame(int frame) {
    int last = movie_ ? std::max(movie_->mainTimeline.GetFrameCount() - 1, 0) : 0;
    frame = std::clamp(frame, 0, last);
    if (frame == frame_) return;
    frame_ = frame;
    cache_ = QImage();
    update();
}

QImage CSwfPlayerControl::Snapshot() {
    if (cache_.isNull() || cache_.size() != size()) {
        if (renderer_ && !size().isEmpty()) {
            cache_ = renderer_->RenderFrame(frame_, size());
        } else {
            cache_ = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
            cache_.fill(palette().color(QPalette::Window));
        }
    }
    return cache_;
}

void CSwfPlayerControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, Snapshot());
}

void CSwfPlayerControl::resizeEvent(QResizeEvent* event) {
    cache_ = QImage();
    QWidget::resizeEvent(event);
}

void CSwfPlayerControl::mousePressEvent(QMouseEvent* event) { event->accept(); }
