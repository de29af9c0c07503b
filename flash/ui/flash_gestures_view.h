// The Flash gestures bar: one still thumbnail per clip of the document's character template, each
// a player control stopped on the clip's last frame, with the pose and gesture names under it.
// A click selects a clip; the gesture channel adds or changes gestures to the selected one.
#pragma once

#include <QDockWidget>
#include <QFont>
#include <QRect>
#include <QScrollArea>
#include <QString>

#include <string>
#include <vector>

#include "flash/gesture_selection.h"

class CSwfPlayerControl;
class flash_character_source;
class swf_char_gesture;

// The lines under a thumbnail: the pose name, then the gesture name unless it is empty or repeats
// the pose name. A hookup clip, which has neither, shows where it leads from and to.
QStringList FlashGestureNameLines(const swf_char_gesture& clip);

// GUI thread only.
class FlashGesturesView : public QScrollArea, public flash_gesture_selection {
    Q_OBJECT
public:
    static constexpr int kCellWidth = 75;
    static constexpr int kCellHeight = 105;
    // The names take the bottom of a cell below the thumbnail.
    static constexpr int kLabelStrip = 22;

    explicit FlashGesturesView(QWidget* parent = nullptr);
    ~FlashGesturesView() override;

    void SetDocument(const flash_character_source* document) { document_ = document; }
    // Rebuilds the thumbnails when the document's template path differs from the one shown; the
    // same path keeps them. False without a document path, which clears the thumbnails and the
    // selection.
    bool OnCharacterChanged(bool invalidate) override;
    void OnInitialUpdate();
    // The template clip index of the selected cell; -1 when none is.
    int GetSelectedGesture() const override;
    // The thumbnail's place in the cell at (column, row): the cell less 2 pixels at the sides and
    // top and the label strip at the bottom.
    QRect GetCellRect(int column, int row) const;
    // Selects the cell under the point (content coordinates); a point in no cell changes nothing.
    void SelectAt(int x, int y);

    int SelectedCell() const { return selected_; }
    int CellCount() const { return static_cast<int>(cells_.size()); }
    const std::vector<CSwfPlayerControl*>& Controls() const { return controls_; }
    // The scrolled content's size.
    QSize ScrollSize() const;
    // Two columns and one whole row (thumbnails with both label lines), wherever the bar docks.
    QSize minimumSizeHint() const override;
    const std::string& ShownPath() const { return shownPath_; }

signals:
    // A click on the view without thumbnails: the user should pick a character template.
    void SelectCharacterRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class FlashGesturesCanvas;
    struct cell {
        int clip;     // index in the template's clips
        int control;  // index in controls_
        QRect rect;   // the whole cell
    };

    void DestroyControls();
    // Places cells and controls in rows as wide as the client area allows.
    void Layout(int clientWidth);
    void Paint(QPainter& painter);

    const flash_character_source* document_ = nullptr;
    QWidget* canvas_;
    std::vector<CSwfPlayerControl*> controls_;
    std::vector<cell> cells_;
    int selected_ = -1;
    std::string shownPath_;
    QFont labelFont_;
};

// The docking bar titled "Flash Gestures" that holds the view.
class FlashCharacterBar : public QDockWidget {
    Q_OBJECT
public:
    explicit FlashCharacterBar(QWidget* parent = nullptr);
    void SetDocument(const flash_character_source* document);
    void RefreshCharacter();
    FlashGesturesView* View() const { return view_; }

private:
    FlashGesturesView* view_;
};
