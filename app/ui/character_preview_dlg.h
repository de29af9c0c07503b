// "Preview the character in Flash": the template's clips, one at a time, in the program's own SWF
// player; a clip plays at the template's frame rate or is stepped through with the slider.
#pragma once

#include <QDialog>
#include <string>

class CSwfPlayerControl;
class QListWidget;
class QPushButton;
class QSlider;
class QTimer;
class zuvo_swf_char;

// GUI thread only. The character is read while the dialog is built.
class CCharacterPreviewDlg : public QDialog {
    Q_OBJECT
public:
    CCharacterPreviewDlg(const std::string& path, const zuvo_swf_char& character, QWidget* parent = nullptr);

    QListWidget* clips = nullptr;
    CSwfPlayerControl* player = nullptr;
    QSlider* frame = nullptr;
    QPushButton* play = nullptr;

private:
    void ShowClip(int row);
    void ShowFrame(int offset);

    struct clip_span {
        int first;
        int count;
    };
    std::vector<clip_span> spans_;
    QTimer* timer_ = nullptr;
};
