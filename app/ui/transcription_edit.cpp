// The script editor widget.
#include "app/ui/transcription_edit.h"

#include <algorithm>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "app/core/command_ids.h"
#include "app/ui/command_menus.h"
#include "app/ui/find_replace_dlg.h"

namespace {
// Bytes of one character of the widget's raw text in the buffer (a surrogate pair counts on its
// second half, so both halves start at the pair's offset).
int BytesOf(QChar c, const std::string& line_break) {
    const char16_t u = c.unicode();
    if (u == QChar::ParagraphSeparator) return static_cast<int>(line_break.size());
    if (c.isHighSurrogate()) return 0;
    if (c.isLowSurrogate()) return 4;
    return u < 0x80 ? 1 : u < 0x800 ? 2 : 3;
}

uint32_t VirtualKey(int key) {
    switch (key) {
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    default: return 0;
    }
}
}  // namespace

CTranscriptionEdit::CTranscriptionEdit(QWidget* parent) : QPlainTextEdit(parent), view_(*this, {}) {
    setObjectName(QStringLiteral("ScriptEditor"));
    setUndoRedoEnabled(false);
    // Text dragged about inside the editor would change it behind the undo history.
    setAcceptDrops(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QPalette p = palette();
    p.setColor(QPalette::Base, p.color(QPalette::Button));
    setPalette(p);
    view_.on_text_not_found = [] { QApplication::beep(); };
    connect(document(), &QTextDocument::contentsChanged, this, [this] { stale_ = true; });
}

CTranscriptionEdit::~CTranscriptionEdit() = default;

void CTranscriptionEdit::Refresh() const {
    if (!stale_) return;
    const QString raw = document()->toRawText();
    const QString lb = QString::fromStdString(lineBreak_);
    QString text;
    text.reserve(raw.size());
    offsets_.assign(static_cast<size_t>(raw.size()) + 1, 0);
    int32_t bytes = 0;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        offsets_[static_cast<size_t>(i)] = bytes;
        const QChar c = raw[i];
        bytes += BytesOf(c, lineBreak_);
        if (c == QChar::ParagraphSeparator)
            text += lb;
        else
            text += c;
    }
    offsets_.back() = bytes;
    text_ = text.toUtf8().toStdString();
    stale_ = false;
}

int32_t CTranscriptionEdit::ToBuffer(int position) const {
    Refresh();
    position = std::clamp(position, 0, static_cast<int>(offsets_.size()) - 1);
    return offsets_[static_cast<size_t>(position)];
}

int CTranscriptionEdit::FromBuffer(int32_t offset) const {
    Refresh();
    // An offset inside a character (or a line break) means that character's start; the second
    // half of a surrogate pair shares its first half's offset and is never chosen.
    auto it = std::upper_bound(offsets_.begin(), offsets_.end(), offset);
    int i = static_cast<int>(it - offsets_.begin()) - 1;
    if (i < 0) return 0;
    while (i > 0 && offsets_[static_cast<size_t>(i - 1)] == offsets_[static_cast<size_t>(i)]) --i;
    return i;
}

std::string CTranscriptionEdit::GetText() const {
    Refresh();
    return text_;
}

int32_t CTranscriptionEdit::GetTextLength() const {
    Refresh();
    return offsets_.back();
}

void CTranscriptionEdit::GetSel(int32_t* start, int32_t* end) const {
    const QTextCursor c = textCursor();
    *start = ToBuffer(c.selectionStart());
    *end = ToBuffer(c.selectionEnd());
}

void CTranscriptionEdit::SetSel(int32_t start, int32_t end) {
    Refresh();
    const int length = static_cast<int>(offsets_.size()) - 1;
    int qs = FromBuffer(std::max(start, 0));
    int qe = end < 0 ? length : FromBuffer(end);
    if (qs > qe) std::swap(qs, qe);
    QTextCursor c(document());
    c.setPosition(qs);
    c.setPosition(qe, QTextCursor::KeepAnchor);
    setTextCursor(c);
}

void CTranscriptionEdit::ReplaceSel(const std::string& text) {
    QTextCursor c = textCursor();
    if (text.empty())
        c.removeSelectedText();
    else
        c.insertText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    setTextCursor(c);
}

void CTranscriptionEdit::SetText(const std::string& text) {
    setPlainText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    SetSel(0, 0);
}

bool CTranscriptionEdit::LockUpdates(bool lock) {
    setUpdatesEnabled(!lock);
    return true;
}

std::string CTranscriptionEdit::GetClipboardText() const {
    return QGuiApplication::clipboard()->text().toUtf8().toStdString();
}

void CTranscriptionEdit::SetClipboardText(const std::string& text) {
    // Other programs get the line breaks of this system.
    QString t = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QGuiApplication::clipboard()->setText(t);
}

void CTranscriptionEdit::DefaultKeyDown(uint32_t key, bool shift) {
    if (pending_) {
        QPlainTextEdit::keyPressEvent(pending_);
        return;
    }
    static const int keys[] = {Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_End, Qt::Key_Home,
                               Qt::Key_Left,   Qt::Key_Up,       Qt::Key_Right, Qt::Key_Down};
    if (key < 33 || key > 40) return;
    QKeyEvent e(QEvent::KeyPress, keys[key - 33], shift ? Qt::ShiftModifier : Qt::NoModifier);
    QPlainTextEdit::keyPressEvent(&e);
}

void CTranscriptionEdit::Command(int id) {
    if (on_command) {
        on_command(id);
        return;
    }
    if (id == cmd::EditUndo) view_.OnEditUndo();
    if (id == cmd::EditRedo) view_.OnEditRedo();
}

void CTranscriptionEdit::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::Undo) return Command(cmd::EditUndo);
    if (event == QKeySequence::Redo) return Command(cmd::EditRedo);
    if (event == QKeySequence::Cut) return view_.OnEditCut();
    if (event == QKeySequence::Paste) return view_.OnEditPaste();
    if (event == QKeySequence::Find) return ShowFindReplace(false);
    if (event == QKeySequence::Replace) return ShowFindReplace(true);
    // Edits the editor does not make itself would bypass the undo history.
    if (event == QKeySequence::DeleteStartOfWord || event == QKeySequence::DeleteEndOfWord ||
        event == QKeySequence::DeleteEndOfLine || event == QKeySequence::DeleteCompleteLine)
        return;
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool shift = (mods & Qt::ShiftModifier) != 0;
    const int key = event->key();
    if (key == Qt::Key_Delete) return view_.OnKeyDown(kKeyDelete, 1, 0, shift);
    if (key == Qt::Key_Backspace) return view_.OnChar(kKeyBackspace, 1, 0);
    if (key == Qt::Key_Return || key == Qt::Key_Enter) return view_.OnChar(kKeyReturn, 1, 0);
    if (uint32_t vk = VirtualKey(key)) {
        pending_ = event;
        view_.OnKeyDown(vk, 1, 0, shift);
        pending_ = nullptr;
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty() && !(mods & (Qt::ControlModifier | Qt::MetaModifier))) {
        bool printable = true;
        for (QChar c : text) printable = printable && (c == u'\t' || c.unicode() >= 32) && c.unicode() != 127;
        if (printable) {
            for (char32_t cp : text.toUcs4()) view_.OnChar(static_cast<uint32_t>(cp), 1, 0);
            return;
        }
    }
    // Copy, select all and the like: the widget's own handling, which changes no text.
    QPlainTextEdit::keyPressEvent(event);
}

void CTranscriptionEdit::inputMethodEvent(QInputMethodEvent* event) {
    const QString commit = event->commitString();
    if (!commit.isEmpty()) {
        for (char32_t cp : commit.toUcs4()) view_.OnChar(static_cast<uint32_t>(cp), 1, 0);
        QInputMethodEvent rest(event->preeditString(), event->attributes());
        QPlainTextEdit::inputMethodEvent(&rest);
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void CTranscriptionEdit::mousePressEvent(QMouseEvent* event) {
    // The middle button would paste the primary selection behind the undo history.
    if (event->button() == Qt::MiddleButton) return;
    if (event->button() == Qt::LeftButton) view_.OnLButtonDown();
    QPlainTextEdit::mousePressEvent(event);
}

void CTranscriptionEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) return;
    QPlainTextEdit::mouseReleaseEvent(event);
}

void CTranscriptionEdit::insertFromMimeData(const QMimeData* source) {
    (void)source;
    view_.OnEditPaste();
}

QMenu* CTranscriptionEdit::MakeContextMenu() {
    PopupRouting routing;
    routing.state = [this](int id) {
        CommandState s;
        switch (id) {
        case cmd::EditUndo: s.enabled = view_.CanUndo(); break;
        case cmd::EditRedo: s.enabled = view_.CanRedo(); break;
        case cmd::EditCut:
        case cmd::EditCopy: s.enabled = view_.HasSelection(); break;
        case cmd::EditPaste: s.enabled = !GetClipboardText().empty(); break;
        default: break;
        }
        return s;
    };
    routing.run = [this](int id) {
        if (id == cmd::EditCopy) copy();
        else if (id == cmd::EditCut) view_.OnEditCut();
        else if (id == cmd::EditPaste) view_.OnEditPaste();
        else Command(id);
    };
    return BuildPopupMenu(menu_id::ScriptContext, this, routing);
}

void CTranscriptionEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = MakeContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void CTranscriptionEdit::ShowFindReplace(bool replace) {
    if (!findDlg_) findDlg_ = new CFindReplaceDlg(view_, this);
    QTextCursor c = textCursor();
    if (c.hasSelection() && !c.selectedText().contains(QChar::ParagraphSeparator)) findDlg_->SetFindText(c.selectedText());
    findDlg_->ShowReplace(replace);
    findDlg_->show();
    findDlg_->raise();
    findDlg_->activateWindow();
}
