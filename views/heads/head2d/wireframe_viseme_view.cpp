// The 2D head view.
#include "views/heads/head2d/wireframe_viseme_view.h"

#include <QMetaObject>
#include <QPaintEvent>
#include <QPainter>
#include <QThread>

CWireFrameVisemeView::CWireFrameVisemeView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // the back buffer covers every pixel
}

CWireFrameVisemeView::~CWireFrameVisemeView() = default;

void CWireFrameVisemeView::Init() {
    backBuffer_.Create(std::max(width(), 1), std::max(height(), 1), 24);
    shapes_ = LoadVisemeShapes();
}

void CWireFrameVisemeView::SetViseme(const char* label, int32_t amount) {
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        state_.SetViseme(label, amount);
    }
    ShowNow();
}

void CWireFrameVisemeView::SetVisemeMix(const ArticulationKey* key) {
    if (key == nullptr) return;
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        state_.SetVisemeMix(*key);
    }
    ShowNow();
}

void CWireFrameVisemeView::ShowNow() {
    if (QThread::currentThread() == thread()) {
        repaint();
        return;
    }
    if (repaintQueued_.exchange(true)) return;
    // By name, not with a lambda: the queued call then carries no data of ours across threads
    // behind Qt's own lock. The paint clears the flag.
    QMetaObject::invokeMethod(this, "repaint", Qt::QueuedConnection);
}

CVisemeHeadState CWireFrameVisemeView::State() const {
    std::lock_guard<std::mutex> lock(stateMutex_);
    return state_;
}

const QImage& CWireFrameVisemeView::RenderFrame() {
    if (QThread::currentThread() != thread()) framesOffGuiThread_.fetch_add(1);
    const CVisemeHeadState state = State();
    RenderVisemeHead(backBuffer_.Image(), state, shapes_);
    framesDrawn_.fetch_add(1);
    return backBuffer_.Image();
}

void CWireFrameVisemeView::paintEvent(QPaintEvent*) {
    repaintQueued_.store(false);
    const QImage& frame = RenderFrame();
    QPainter painter(this);
    painter.drawImage(0, 0, frame);
}

void CWireFrameVisemeView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    backBuffer_.Create(std::max(width(), 1), std::max(height(), 1), 24);
}

void CWireFrameVisemeView::mousePressEvent(QMouseEvent* event) {
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        state_.Click(shapes_.sets);
    }
    update();
    QWidget::mousePressEvent(event);
}

void CWireFrameVisemeView::mouseDoubleClickEvent(QMouseEvent*) {
    std::lock_guard<std::mutex> lock(stateMutex_);
    state_.Click(shapes_.sets);
    update();
}
