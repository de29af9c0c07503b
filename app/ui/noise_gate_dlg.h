// "Noise Gate": measures the document's in-memory recording when it opens, proposes a cut-off
// and on OK gates the audio as one undoable step. The recording's file is never written.
#pragma once

#include <QDialog>
#include <vector>

class CPhonarcDoc;
class IPrompts;
class QLineEdit;
class QPushButton;

// GUI thread only.
class CNoiseGateDlg : public QDialog {
    Q_OBJECT
public:
    CNoiseGateDlg(CPhonarcDoc& doc, IPrompts& prompts, QWidget* parent = nullptr);
    // Refuses a cut-off outside -96..0 (the dialog stays open); else gates and closes.
    void accept() override;

    QLineEdit* cutoffEdit;   // 1036
    QPushButton* preview;    // 1035, disabled: there is nothing to preview with
    const std::vector<float>& levels() const { return levels_; }

private:
    CPhonarcDoc& doc_;
    IPrompts& prompts_;
    std::vector<float> levels_;
};
