// The 2D head view: the built-in flat-shaded mouth, shown by the viseme bar. It receives mouth
// shapes through IVisemeHandler on the GUI thread.
#pragma once

#include <QWidget>

#include "views/heads/head2d/head2d_renderer.h"
#include "views/offscreen/offscreen_dib.h"
#include "views/heads/head2d/viseme_head_state.h"
#include "views/playback/viseme_handler.h"

// GUI thread only: a shape updates the state and repaints at once.
class CWireFrameVisemeView : public QWidget, public IVisemeHandler {
public:
    explicit CWireFrameVisemeView(QWidget* parent = nullptr);
    ~CWireFrameVisemeView() override;

    // Back buffer at the widget's size, then the shapes from the built-in resources.
    void Init();
    void SetVisemeMix(const ArticulationKey* key) override;
    void SetViseme(const char* label, int32_t amount) override;

    // Draws the current state into the back buffer and returns it.
    const QImage& RenderFrame();
    const CVisemeHeadState& State() const { return state_; }
    const VisemeShapes& Shapes() const { return shapes_; }
    // Frames drawn so far.
    int FramesDrawn() const { return framesDrawn_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    COffscreenDib backBuffer_;
    VisemeShapes shapes_;  // after Init
    CVisemeHeadState state_;
    int framesDrawn_ = 0;
};
