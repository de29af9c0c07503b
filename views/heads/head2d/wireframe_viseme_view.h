// The 2D head view: the built-in flat-shaded mouth, shown by the viseme bar. It receives mouth
// shapes through IVisemeHandler from the viseme player's thread as well as the GUI thread.
#pragma once

#include <QWidget>
#include <atomic>
#include <mutex>

#include "views/heads/head2d/head2d_renderer.h"
#include "views/offscreen/offscreen_dib.h"
#include "views/heads/head2d/viseme_head_state.h"
#include "views/playback/viseme_handler.h"

// The state is guarded by stateMutex_; only the GUI thread draws. A call from another thread
// updates the state and queues one repaint (calls that arrive before it is done share it); a call
// on the GUI thread repaints at once.
class CWireFrameVisemeView : public QWidget, public IVisemeHandler {
public:
    explicit CWireFrameVisemeView(QWidget* parent = nullptr);
    ~CWireFrameVisemeView() override;

    // Back buffer at the widget's size, then the shapes from the built-in resources.
    void Init();
    void SetVisemeMix(const ArticulationKey* key) override;
    void SetViseme(const char* label, int32_t amount) override;

    // GUI thread: draws the current state into the back buffer and returns it.
    const QImage& RenderFrame();
    // A copy of the state (any thread).
    CVisemeHeadState State() const;
    const VisemeShapes& Shapes() const { return shapes_; }
    // Frames drawn so far, and how many of them were drawn off the GUI thread (always 0).
    int FramesDrawn() const { return framesDrawn_.load(); }
    int FramesDrawnOffGuiThread() const { return framesOffGuiThread_.load(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void ShowNow();

    COffscreenDib backBuffer_;
    VisemeShapes shapes_;  // GUI thread after Init
    mutable std::mutex stateMutex_;
    CVisemeHeadState state_;  // guarded by stateMutex_
    std::atomic<bool> repaintQueued_{false};
    std::atomic<int> framesDrawn_{0};
    std::atomic<int> framesOffGuiThread_{0};
};
