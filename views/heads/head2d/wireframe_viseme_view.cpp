// The 2D head view.
#include "views/heads/head2d/wireframe_viseme_view.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

CWireFrameVisemeView::CWireFrameVisemeView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // the back buffer covers every pixel
}

CWireFrameVisemeView::~CWireFrameVisemeView() = default;

void CWireFrameVisemeView::Init() {
    backBuffer_.Create(std::max(width(), 1), std::max(height(), 1), 24);
    shapes_ = LoadVisemeShapes();
}

void CWireFrameVisemeView::SetViseme(const char* label, int32_t amount) {
    state_.SetViseme(label, amount);
    repaint();
}

void CWireFrameVisemeView::SetVisemeMix(const ArticulationKey* key) {
    if (key == nullptr) return;
    state_.SetVisemeMix(*key);
    repaint();
}

const QImage& CWireFrameVisemeView::RenderFrame() {
    RenderVisemeHead(backBuffer_.Image(), state_, shapes_);
    ++framesDrawn_;
    return backBuffer_.Image();
}

void CWireFrameVisemeView::paintEvent(QPaintEvent*) {
    const QImage& frame = RenderFrame();
    QPainter painter(this);
    painter.drawImage(0, 0, frame);
}

void CWireFrameVisemeView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    backBuffer_.Create(std::max(width(), 1), std::max(height(), 1), 24);
}

void CWireFrameVisemeView::mousePressEvent(QMouseEvent* event) {
    state_.Click(shapes_.sets);
    update();
    QWidget::mousePressEvent(event);
}

void CWireFrameVisemeView::mouseDoubleClickEvent(QMouseEvent*) {
    state_.Click(shapes_.sets);
    update();
}
