// The edit control under the script editor: a plain text buffer with one selection. The editor's
// undoable actions work only through this, so the same logic runs over the Qt widget and over the
// in-memory control the tests use.
#pragma once

#include <cstdint>
#include <string>

// Positions are byte offsets into the UTF-8 buffer, in which a line break is the two bytes CR LF
// (or the one byte LF for a script that was opened with LF line breaks). Positions that fall
// inside a character or a line break are moved back to its start. User-interface thread only.
class edit_control {
public:
    virtual ~edit_control() = default;

    virtual std::string GetText() const = 0;
    virtual int32_t GetTextLength() const = 0;
    // The selection, start <= end, both within the buffer.
    virtual void GetSel(int32_t* start, int32_t* end) const = 0;
    // Selects [start, end); an end of -1 or past the buffer means its length. The caret ends at end.
    virtual void SetSel(int32_t start, int32_t end) = 0;
    // Replaces the selection with text (never recorded by the control); the caret ends after it.
    virtual void ReplaceSel(const std::string& text) = 0;
    // The whole buffer; the selection becomes [0, 0).
    virtual void SetText(const std::string& text) = 0;
    virtual void ScrollCaret() {}
    // Suspends (true) or resumes window updates; false when they could not be suspended.
    virtual bool LockUpdates(bool lock) {
        (void)lock;
        return true;
    }
    virtual void SetFocus() {}
    virtual bool HasFocus() const { return false; }
    virtual std::string GetClipboardText() const = 0;
    virtual void SetClipboardText(const std::string& text) = 0;
    // The control's own handling of a key that moves the caret (virtual-key codes 33-40).
    virtual void DefaultKeyDown(uint32_t key, bool shift) = 0;
    // The line break the buffer uses: "\r\n" or "\n".
    virtual std::string LineBreak() const = 0;
    // Changes the line break the buffer uses; only while the buffer is empty.
    virtual void SetLineBreak(const std::string& line_break) = 0;
};

// An edit control held in memory: the tests' control, and the buffer of an editor without a window.
class memory_edit_control : public edit_control {
public:
    std::string GetText() const override { return text_; }
    int32_t GetTextLength() const override { return static_cast<int32_t>(text_.size()); }
    void GetSel(int32_t* start, int32_t* end) const override;
    void SetSel(int32_t start, int32_t end) override;
    void ReplaceSel(const std::string& text) override;
    void SetText(const std::string& text) override;
    std::string GetClipboardText() const override { return clipboard_; }
    void SetClipboardText(const std::string& text) override { clipboard_ = text; }
    void DefaultKeyDown(uint32_t key, bool shift) override;
    bool LockUpdates(bool lock) override;
    std::string LineBreak() const override { return line_break_; }
    void SetLineBreak(const std::string& line_break) override { line_break_ = line_break; }
    void SetFocus() override { focused_ = true; }
    bool HasFocus() const override { return focused_; }

    int lock_depth() const { return locks_; }

private:
    std::string text_;
    std::string clipboard_;
    std::string line_break_ = "\r\n";
    int32_t start_ = 0;
    int32_t end_ = 0;
    int locks_ = 0;
    bool focused_ = false;
};
