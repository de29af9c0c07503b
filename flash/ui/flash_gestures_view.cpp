// The gestures bar: building the thumbnails for a template, the wrap layout, painting the cells and
// selecting by clicks on the view or on a thumbnail.
#include "flash/ui/flash_gestures_view.h"

#include <QDebug>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QStyle>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

#include "flash/character_source.h"
#include "flash/swf_char.h"
#include "flash/ui/swf_player_control.h"

QStringList FlashGestureNameLines(const swf_char_gesture& clip) {
    if (clip.pose.empty() && !(clip.hookup_from.empty() && clip.hookup_to.empty()))
        return {QString::fromStdString(clip.hookup_from) + QStringLiteral(" \u2192"),
                QString::fromStdString(clip.hookup_to)};
    QStringList lines{QString::fromStdString(clip.pose)};
    if (!clip.gesture.empty() && clip.gesture != clip.pose) lines << QString::fromStdString(clip.gesture);
    return lines;
}

// The scrolled content: paints the cells and takes the clicks between thumbnails.
class FlashGesturesCanvas : public QWidget {
public:
    explicit FlashGesturesCanvas(FlashGesturesView* view) : QWidget(view), view_(view) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        view_->Paint(painter);
    }
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        if (view_->cells_.empty()) emit view_->SelectCharacterRequested();
        view_->SelectAt(event->position().toPoint().x(), event->position().toPoint().y());
    }

private:
    FlashGesturesView* view_;
};

FlashGesturesView::FlashGesturesView(QWidget* parent) : QScrollArea(parent) {
    canvas_ = new FlashGesturesCanvas(this);
    canvas_->resize(100, 100);
    setWidget(canvas_);
    setWidgetResizable(false);
    labelFont_ = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    labelFont_.setUnderline(true);
}

FlashGesturesView::~FlashGesturesView() { DestroyControls(); }

void FlashGesturesView::DestroyControls() {
    for (CSwfPlayerControl* control : controls_) delete control;
    controls_.clear();
}

QRect FlashGesturesView::GetCellRect(int column, int row) const {
    const int left = column * kCellWidth + 2, top = row * kCellHeight + 2;
    const int right = (column + 1) * kCellWidth - 2, bottom = (row + 1) * kCellHeight - 23;
    return QRect(left, top, right - left, bottom - top);
}

int FlashGesturesView::GetSelectedGesture() const {
    if (selected_ < 0 || selected_ >= static_cast<int>(cells_.size())) return -1;
    return cells_[static_cast<size_t>(selected_)].clip;
}

QSize FlashGesturesView::ScrollSize() const { return canvas_->size(); }

bool FlashGesturesView::OnCharacterChanged(bool invalidate) {
    if (!document_) return false;
    const std::string path = document_->character_path();
    if (path == shownPath_) return !path.empty();

    selected_ = -1;
    DestroyControls();
    cells_.clear();
    shownPath_ = path;
    if (path.empty()) {
        // The template is gone (its choice undone): so are its thumbnails and the selection.
        canvas_->resize(100, 100);
        canvas_->update();
        return false;
    }
    qDebug("Character Changed");

    if (const zuvo_swf_char* character = document_->character()) {
        const auto& clips = character->get_gestures();
        for (size_t i = 0; i < clips.size(); ++i) {
            const swf_char_gesture& clip = clips[i];
            auto* control = new CSwfPlayerControl(canvas_);
            selected_ = 0;
            control->SetMovie(QString::fromStdString(path));
            control->Stop();
            // The clip's last frame on the template's main timeline stands for the clip.
            control->GotoFrame(clip.first_frame + clip.frame_count - 1);
            for (const char* target : {"head/mouth", "head/eyes", "mouth", "eyes"}) control->TStopPlay(target);
            control->StopPlay();
            control->installEventFilter(this);
            control->show();
            cells_.push_back({static_cast<int>(i), static_cast<int>(controls_.size()), QRect()});
            controls_.push_back(control);
        }
    }
    Layout(viewport()->width());
    if (invalidate) canvas_->update();
    return true;
}

QSize FlashGesturesView::minimumSizeHint() const {
    // The wrap rule keeps a second column once the viewport is two cells wide; the scroll bar
    // and the frame come on top.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    return QSize(2 * kCellWidth + bar + 2 * frameWidth() + 1, kCellHeight + 2 * frameWidth());
}

void FlashGesturesView::OnInitialUpdate() {
    if (!OnCharacterChanged(false)) canvas_->resize(100, 100);
}

void FlashGesturesView::Layout(int clientWidth) {
    int column = 0, row = 0;
    for (cell& c : cells_) {
        const QRect rect = GetCellRect(column, row);
        if (c.control >= 0 && c.control < static_cast<int>(controls_.size()))
            controls_[static_cast<size_t>(c.control)]->setGeometry(rect);
        c.rect = QRect(column * kCellWidth, row * kCellHeight, kCellWidth, kCellHeight);
        // The next cell wraps once it would reach the client area's right edge.
        if (rect.x() + rect.width() + kCellWidth >= clientWidth) {
            ++row;
            column = 0;
        } else {
            ++column;
        }
    }
    if (!cells_.empty()) canvas_->resize(std::max(kCellWidth, clientWidth), (row + 1) * kCellHeight);
}

void FlashGesturesView::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    Layout(viewport()->width());
}

void FlashGesturesView::SelectAt(int x, int y) {
    for (size_t i = 0; i < cells_.size(); ++i)
        if (cells_[i].rect.contains(x, y)) selected_ = static_cast<int>(i);
    canvas_->update();
}

bool FlashGesturesView::eventFilter(QObject* watched, QEvent* event) {
    // A click on a thumbnail selects its cell; the control then handles the click as usual. The
    // scroll area also watches its scroll bars and the canvas through here: a scroll bar is not
    // inside the canvas, so its points cannot be mapped into it, and the canvas takes its own clicks.
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        auto* control = qobject_cast<QWidget*>(watched);
        const bool onThumbnail = control && control != canvas_ && canvas_->isAncestorOf(control);
        if (onThumbnail && mouse->button() == Qt::LeftButton) {
            const QPoint p = control->mapTo(canvas_, mouse->position().toPoint());
            SelectAt(p.x(), p.y());
        }
    }
    return QScrollArea::eventFilter(watched, event);
}

void FlashGesturesView::Paint(QPainter& painter) {
    painter.setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    if (cells_.empty()) {
        const QString text = QStringLiteral("Click here to select a character!");
        painter.setFont(labelFont_);
        painter.setPen(Qt::blue);
        const int width = painter.fontMetrics().horizontalAdvance(text);
        const int top = viewport()->height() / 4 + verticalScrollBar()->value();
        painter.drawText(QRect((viewport()->width() - width) / 2, top, width + 1, painter.fontMetrics().height()),
                         Qt::AlignLeft | Qt::AlignTop, text);
        return;
    }
    const zuvo_swf_char* character = document_ ? document_->character() : nullptr;
    for (size_t i = 0; i < cells_.size(); ++i) {
        const QRect r = cells_[i].rect;
        const QRect inner = r.adjusted(1, 1, -1, -1);  // the frame one pixel inside the cell
        painter.setBrush(Qt::NoBrush);
        if (static_cast<int>(i) == selected_) {
            painter.setPen(Qt::red);
            painter.drawRect(inner.adjusted(0, 0, -1, -1));
            painter.drawRect(inner.adjusted(-1, -1, 0, 0));
        } else {
            painter.setPen(Qt::black);
            painter.drawRect(inner.adjusted(0, 0, -1, -1));
        }
        painter.setPen(Qt::black);
        const int stripTop = r.bottom() + 1 - kLabelStrip;
        painter.drawLine(inner.left(), stripTop, inner.right() - 1, stripTop);
        if (!character) continue;
        const auto& clips = character->get_gestures();
        const int clip = cells_[i].clip;
        if (clip < 0 || clip >= static_cast<int>(clips.size())) continue;
        const QStringList lines = FlashGestureNameLines(clips[static_cast<size_t>(clip)]);
        // Two whole lines between the strip's line and the cell's frame: the type is made small
        // enough for its line height, descenders included.
        const int lineHeight = (inner.bottom() - stripTop) / 2;
        QFont font = painter.font();
        for (int size = lineHeight; size >= 6; --size) {
            font.setPixelSize(size);
            if (QFontMetrics(font).height() <= lineHeight) break;
        }
        painter.setFont(font);
        for (int k = 0; k < lines.size(); ++k) {
            const QRect textRect(inner.left() + 2, stripTop + 1 + k * lineHeight, inner.width() - 4, lineHeight);
            painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop,
                             painter.fontMetrics().elidedText(lines[k], Qt::ElideRight, textRect.width()));
        }
    }
}

FlashCharacterBar::FlashCharacterBar(QWidget* parent) : QDockWidget(QStringLiteral("Flash Gestures"), parent) {
    view_ = new FlashGesturesView(this);
    setWidget(view_);
    view_->OnInitialUpdate();
}

void FlashCharacterBar::SetDocument(const flash_character_source* document) { view_->SetDocument(document); }

void FlashCharacterBar::RefreshCharacter() { view_->OnCharacterChanged(true); }
