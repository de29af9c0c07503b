#include "app/core/better_edit.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

class history_owner : public undo_owner {
public:
    explicit history_owner(int levels = 25000) { undo.Register(this, levels, nullptr); }
    CUndoManager& GetUndoManager() override { return undo; }
    int levels() const { return static_cast<int>(undo.Find(const_cast<history_owner*>(this))->undo_stack().size()); }
    CUndoManager undo;
};

struct editor {
    explicit editor(const std::string& text, int32_t s = -1, int32_t e = -1, int levels = 25000) : owner(levels), view(control) {
        view.SetOwner(&owner);
        control.SetText(text);
        if (s < 0) s = e = static_cast<int32_t>(text.size());
        control.SetSel(s, e);
    }
    // Steps, blank-separated: t:TEXT types it ('~' is Return), b:N backspaces, d:N Deletes,
    // k:KEY a caret key, c:P clicks at P, s:A,B selects without sealing (select all, a search),
    // x cut, v paste, u undo, r redo.
    void run(const std::string& steps) {
        std::istringstream in(steps);
        std::string step;
        while (in >> step) {
            char op = step[0];
            std::string arg = step.size() > 2 ? step.substr(2) : "";
            if (op == 't') {
                for (char ch : arg) view.OnChar(ch == '~' ? kKeyReturn : static_cast<unsigned char>(ch), 1, 0);
            } else if (op == 'b') {
                for (int i = 0; i < std::stoi(arg); ++i) view.OnChar(kKeyBackspace, 1, 0);
            } else if (op == 'd') {
                for (int i = 0; i < std::stoi(arg); ++i) view.OnKeyDown(kKeyDelete, 1, 0);
            } else if (op == 'k') {
                view.OnKeyDown(static_cast<uint32_t>(std::stoi(arg)), 1, 0);
            } else if (op == 'c') {
                view.OnLButtonDown();
                control.SetSel(std::stoi(arg), std::stoi(arg));
            } else if (op == 's') {
                size_t comma = arg.find(',');
                control.SetSel(std::stoi(arg.substr(0, comma)), std::stoi(arg.substr(comma + 1)));
            } else if (op == 'x') {
                view.OnEditCut();
            } else if (op == 'v') {
                view.OnEditPaste();
            } else if (op == 'u') {
                view.OnEditUndo();
            } else if (op == 'r') {
                view.OnEditRedo();
            }
        }
    }
    std::string text() const { return control.GetText(); }
    std::string undo_name() const { return owner.undo.GetActionName(const_cast<history_owner*>(&owner), false, 0); }

    history_owner owner;
    memory_edit_control control;
    CBetterEditView view;
};

TEST(BetterEditTest, EditsBecomeUndoLevelsThatRestoreTheText) {
    struct Case {
        const char* name;
        std::string text;
        int32_t s, e;
        const char* steps;
        std::string edited;
        int levels;
        std::vector<std::string> after_each_undo;  // the text after each further Undo
    };
    const Case cases[] = {
        {"typing is one level", "", -1, -1, "t:abc", "abc", 1, {""}},
        {"backspace after typing opens a level", "", -1, -1, "t:abc b:2 t:d", "ad", 2, {"abc", ""}},
        {"a click ends the run", "", -1, -1, "t:ab c:1 t:X", "aXb", 2, {"ab", ""}},
        {"a caret key ends the run", "xy", -1, -1, "t:ab k:37 t:Z", "xyaZb", 2, {"xyab", "xy"}},
        {"backspaces reach back over old text", "hello", -1, -1, "b:3", "he", 1, {"hello"}},
        {"typing over a selection", "hello", 1, 4, "t:Z", "hZo", 1, {"hello"}},
        {"delete forward grows the run", "abcd", 1, 1, "d:2 t:X", "aXd", 1, {"abcd"}},
        {"backspace takes a whole line break", "a\r\nb", 3, 3, "b:1", "ab", 1, {"a\r\nb"}},
        {"return types a line break", "ab", 1, 1, "t:~", "a\r\nb", 1, {"ab"}},
        {"delete takes a whole UTF-8 character", "a\xC3\xA9z", 1, 1, "d:1", "az", 1, {"a\xC3\xA9z"}},
        {"backspace takes a whole curly quote", "\xE2\x80\x9Cq", 3, 3, "b:1", "q", 1, {"\xE2\x80\x9Cq"}},
        {"a selection made without a caret key ends the run", "", -1, -1, "t:ab s:0,2 t:c", "c", 2, {"ab", ""}},
        {"cut and paste", "hello", 0, 2, "x s:3,3 v", "llohe", 2, {"llo", "hello"}},
        {"delete at the very end makes no level", "ab", 2, 2, "d:1", "ab", 0, {}},
        {"backspace at the very start makes no level", "ab", 0, 0, "b:1", "ab", 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        editor ed(c.text, c.s, c.e);
        ed.run(c.steps);
        EXPECT_EQ(ed.text(), c.edited);
        ASSERT_EQ(ed.owner.levels(), c.levels);
        std::vector<std::string> undone;
        for (size_t i = 0; i < c.after_each_undo.size(); ++i) {
            ed.view.OnEditUndo();
            undone.push_back(ed.text());
        }
        EXPECT_EQ(undone, c.after_each_undo);
        // Redo of every level gives the edited text back.
        for (size_t i = 0; i < c.after_each_undo.size(); ++i) ed.view.OnEditRedo();
        EXPECT_EQ(ed.text(), c.edited);
    }
}

TEST(BetterEditTest, TypingIsNamedAndRecordedInTheOwnersHistory) {
    editor ed("");
    ed.run("t:abc");
    EXPECT_EQ(ed.undo_name(), "Typing");
    ed.view.OnEditUndo();
    EXPECT_EQ(ed.text(), "");
    EXPECT_EQ(ed.owner.undo.GetActionName(&ed.owner, true, 0), "Typing");
}

TEST(BetterEditTest, RangeSelectionNeverSplitsALineBreak) {
    editor ed("a\r\nb");
    int32_t s = 0, e = 0;
    ed.view.SelectRange(2, 3);  // just the line feed
    ed.control.GetSel(&s, &e);
    EXPECT_EQ(std::make_pair(s, e), std::make_pair(1, 3));
    ed.view.SelectRange(1, 2);  // just the carriage return
    ed.control.GetSel(&s, &e);
    EXPECT_EQ(std::make_pair(s, e), std::make_pair(1, 3));
}

TEST(BetterEditTest, CurrentActionDeletedByTheHistoryIsNeverTouched) {
    editor ed("");
    ed.run("t:abc");
    ASSERT_NE(ed.view.CurrentAction(), nullptr);
    ed.owner.undo.Undo(&ed.owner, 1);
    // A new action of another kind clears the redo list, deleting the typing run.
    ed.owner.undo.Do(&ed.owner, new CAction(&ed.owner, 0, true));
    EXPECT_EQ(ed.view.CurrentAction(), nullptr);
    ed.run("t:x");
    EXPECT_EQ(ed.text(), "x");
    EXPECT_EQ(ed.owner.levels(), 2);
}

TEST(BetterEditTest, CurrentActionDroppedAtTheHistoryLimitIsForgotten) {
    editor ed("", -1, -1, 1);
    ed.run("t:ab");
    ed.owner.undo.Do(&ed.owner, new CAction(&ed.owner, 0, true));  // drops the run at the limit
    EXPECT_EQ(ed.view.CurrentAction(), nullptr);
    ed.run("t:c");
    EXPECT_EQ(ed.text(), "abc");
}

TEST(BetterEditTest, ReplaceAllWithALongerReplacementUndoesExactly) {
    editor ed("banana BANANA", 0, 0);
    ed.view.OnReplaceAll("an", "ANAN", false);
    EXPECT_EQ(ed.text(), "bANANANANa BANANANANA");
    EXPECT_EQ(ed.undo_name(), "Replace All");
    ed.view.OnEditUndo();
    EXPECT_EQ(ed.text(), "banana BANANA");
    ed.view.OnEditRedo();
    EXPECT_EQ(ed.text(), "bANANANANa BANANANANA");

    editor cased("an AN", 0, 0);
    cased.view.OnReplaceAll("an", "x", true);
    EXPECT_EQ(cased.text(), "x AN");
}

TEST(BetterEditTest, ReplaceSelectsFirstThenReplacesAndMovesOn) {
    editor ed("one two one", 0, 0);
    ed.view.OnReplaceSel("one", true, true, "1");
    EXPECT_EQ(ed.text(), "one two one");  // the first call only finds
    EXPECT_EQ(ed.view.GetSelectedText(), "one");
    ed.view.OnReplaceSel("one", true, true, "1");
    EXPECT_EQ(ed.text(), "1 two one");
    int32_t s = 0, e = 0;
    ed.control.GetSel(&s, &e);
    EXPECT_EQ(std::make_pair(s, e), std::make_pair(6, 9));
    EXPECT_EQ(ed.undo_name(), "Replace");
    ed.view.OnEditUndo();
    EXPECT_EQ(ed.text(), "one two one");

    int not_found = 0;
    ed.view.on_text_not_found = [&not_found] { ++not_found; };
    ed.view.OnReplaceSel("zzz", true, true, "1");
    EXPECT_EQ(not_found, 1);
}

TEST(BetterEditTest, FindTextFromSearchesWholeCharactersWithoutMovingTheSelection) {
    // "é" is two bytes; a backward search finds the last match before the start, never inside it.
    editor ed("ab \xC3\xA9 ab \xC3\xA9", 2, 2);
    struct Case {
        const char* search;
        int32_t start;
        bool forward, match_case;
        bool found;
        int32_t match;
    };
    const Case cases[] = {
        {"ab", 0, true, true, true, 0},          {"ab", 1, true, true, true, 6},
        {"ab", 12, false, true, true, 6},        {"ab", 0, false, true, false, 0},
        {"AB", 0, true, true, false, 0},         {"AB", 1, true, false, true, 6},
        {"\xC3\x89", 0, true, false, true, 3},  {"\xC3\xA9", 12, false, true, true, 9},
        {"ab \xC3\xA9 ab \xC3\xA9 more", 0, true, true, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.search);
        int32_t s = c.start, e = c.start;
        EXPECT_EQ(ed.view.FindTextFrom(c.search, s, e, c.forward, c.match_case), c.found);
        if (c.found) {
            EXPECT_EQ(s, c.match);
        }
        int32_t ss = 0, se = 0;
        ed.control.GetSel(&ss, &se);
        EXPECT_EQ(ss, 2);
    }
}

TEST(BetterEditTest, ScriptEditsShareTheHistoryWithOtherActions) {
    editor ed("");
    ed.run("t:ab");
    ed.owner.undo.Do(&ed.owner, new CAction(&ed.owner, 0, true));  // a marker edit seals the run
    ed.run("t:c");
    EXPECT_EQ(ed.owner.levels(), 3);
    ed.view.OnUndoLevel(3);
    EXPECT_EQ(ed.text(), "");
    ed.view.OnRedoLevel(3);
    EXPECT_EQ(ed.text(), "abc");
}

}  // namespace
