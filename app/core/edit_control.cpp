// The in-memory edit control.
#include "app/core/edit_control.h"

#include <algorithm>

#include "app/core/script_text.h"

void memory_edit_control::GetSel(int32_t* start, int32_t* end) const {
    *start = start_;
    *end = end_;
}

void memory_edit_control::SetSel(int32_t start, int32_t end) {
    auto size = static_cast<int32_t>(text_.size());
    if (end < 0 || end > size) end = size;
    start = std::clamp(start, 0, size);
    if (start > end) std::swap(start, end);
    start_ = SnapToCharStart(text_, start);
    end_ = SnapToCharStart(text_, end);
}

void memory_edit_control::ReplaceSel(const std::string& text) {
    text_.replace(static_cast<size_t>(start_), static_cast<size_t>(end_ - start_), text);
    start_ = end_ = start_ + static_cast<int32_t>(text.size());
}

void memory_edit_control::SetText(const std::string& text) {
    text_ = text;
    start_ = end_ = 0;
}

void memory_edit_control::DefaultKeyDown(uint32_t key, bool shift) {
    int32_t caret = end_;
    switch (key) {
    case 37: caret = PrevCharStart(text_, caret); break;  // left
    case 39: caret = NextCharEnd(text_, caret); break;    // right
    case 33:                                               // page up
    case 36: caret = 0; break;                             // home (of the buffer: one long line will do)
    case 34:
    case 35: caret = static_cast<int32_t>(text_.size()); break;
    default: break;  // up and down keep the caret
    }
    if (shift) {
        start_ = std::min(start_, caret);
        end_ = std::max(end_, caret);
    } else {
        start_ = end_ = caret;
    }
}

bool memory_edit_control::LockUpdates(bool lock) {
    locks_ += lock ? 1 : -1;
    return true;
}
