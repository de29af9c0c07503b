// The player control behind each thumbnail of the gestures bar: a widget with the calls a movie
// player control answers (SetMovie, Stop, GotoFrame, TStopPlay, StopPlay) that shows one still
// frame of the movie, drawn by the frame renderer.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class CSwfFrameRenderer;
class FSWFMovie;

// Never plays: it shows the frame GotoFrame asked for (frame 0 after SetMovie) with every sprite
// at its first frame, so the calls that stop playback have nothing to stop. GUI thread only.
class CSwfPlayerControl : public QWidget {
    Q_OBJECT
public:
    explicit CSwfPlayerControl(QWidget* parent = nullptr);
    ~CSwfPlayerControl() override;

    // Loads the movie at path and shows its frame 0. A movie that does not load shows nothing;
    // LoadErrors() tells why.
    void SetMovie(const QString& path);
    void Stop() {}
    // Shows that frame of the main timeline (0-based; held inside the movie's frames).
    void GotoFrame(int frame);
    // Stops the movie clip at the target path; clips never play here.
    void TStopPlay(const QString& target) { (void)target; }
    void StopPlay() {}

    const QString& Movie() const { return path_; }
    int CurrentFrame() const { return frame_; }
    bool HasMovie() const { return movie_ != nullptr; }
    const std::vector<std::string>& LoadErrors() const { return errors_; }
    // The current frame as the widget shows it, at the widget's size.
    QImage Snapshot();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Takes the press so that the release comes here too (the gestures bar selects on it).
    void mousePressEvent(QMouseEvent* event) override;

private:
    QString path_;
    std::unique_ptr<FSWFMovie> movie_;
    std::unique_ptr<CSwfFrameRenderer> renderer_;
    std::vector<std::string> errors_;
    int frame_ = 0;
    QImage cache_;  // the shown frame at the widget's size; null when it must be drawn again
};
