// The script editor widget: a plain text edit whose every change goes through the document's undo
// history (its own undo is off). Keys, clicks and the clipboard commands are forwarded to the
// toolkit-free editor, which edits the widget back through the edit_control calls.
#pragma once

#include <QPlainTextEdit>
#include <functional>
#include <string>
#include <vector>

#include "app/core/edit_control.h"
#include "app/core/transcription_view.h"

class CFindReplaceDlg;

// GUI thread only. The buffer the editor sees is the widget's text as UTF-8 with line breaks as
// LineBreak(); positions are converted both ways.
class CTranscriptionEdit : public QPlainTextEdit, public edit_control {
    Q_OBJECT
public:
    explicit CTranscriptionEdit(QWidget* parent = nullptr);
    ~CTranscriptionEdit() override;

    CTranscriptionView& View() { return view_; }

    // Commands the widget can't carry out itself (Undo, Redo, Add Cut Marker, the context
    // menu's items): the frame routes them through the program's commands.
    std::function<void(int id)> on_command;

    // edit_control
    std::string GetText() const override;
    int32_t GetTextLength() const override;
    void GetSel(int32_t* start, int32_t* end) const override;
    void SetSel(int32_t start, int32_t end) override;
    void ReplaceSel(const std::string& text) override;
    void SetText(const std::string& text) override;
    void ScrollCaret() override { ensureCursorVisible(); }
    bool LockUpdates(bool lock) override;
    void SetFocus() override { setFocus(); }
    bool HasFocus() const override { return hasFocus(); }
    std::string GetClipboardText() const override;
    void SetClipboardText(const std::string& text) override;
    void DefaultKeyDown(uint32_t key, bool shift) override;
    std::string LineBreak() const override { return lineBreak_; }
    void SetLineBreak(const std::string& line_break) override {
        lineBreak_ = line_break;
        stale_ = true;
    }

    // The context menu as it shows (for the tests).
    QMenu* MakeContextMenu();
    void ShowFindReplace(bool replace);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    int32_t ToBuffer(int position) const;
    int FromBuffer(int32_t offset) const;
    // The buffer's text and, for every widget position, its byte offset; rebuilt after a change.
    void Refresh() const;
    void Command(int id);

    CTranscriptionView view_;
    std::string lineBreak_ = "\r\n";
    mutable bool stale_ = true;
    mutable std::string text_;
    mutable std::vector<int32_t> offsets_;
    QKeyEvent* pending_ = nullptr;
    CFindReplaceDlg* findDlg_ = nullptr;
};
