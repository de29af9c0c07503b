// Undo framework: stacks, sealing, the level limit, the saved position behind the modified flag,
// repeated registration and the notification records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/undo_manager.h"
#include "model/window_messages.h"

namespace {

std::vector<UndoNotifyInfo> notices;

void recording_notify(undo_owner* owner, UndoNotifyInfo* info) {
    notices.push_back(*info);
    DefaultUndoNotify(owner, info);
}

class test_doc : public undo_owner, public modified_flag_owner {
public:
    explicit test_doc(int levels = 25000) { undo.Register(this, levels, recording_notify); }
    CUndoManager& GetUndoManager() override { return undo; }
    void SetModifiedFlag(bool m) override { modified = m; }

    CUndoManager undo;
    bool modified = false;
    std::vector<std::string> log;
};

int live_actions = 0;

class logged_action : public CAction {
public:
    logged_action(test_doc* doc, const std::string& name) : CAction(doc, 0, true), doc_(doc) {
        SetName(name);
        ++live_actions;
    }
    ~logged_action() override { --live_actions; }
    void Do() override {
        CAction::Do();
        doc_->log.push_back("do " + GetName());
    }
    void Undo() override {
        CAction::Undo();
        doc_->log.push_back("undo " + GetName());
    }
    void Redo() override {
        CAction::Redo();
        doc_->log.push_back("redo " + GetName());
    }

private:
    test_doc* doc_;
};

class Undo : public ::testing::Test {
protected:
    void SetUp() override {
        notices.clear();
        live_actions = 0;
    }
    void TearDown() override { EXPECT_EQ(live_actions, 0); }

    static logged_action* act(test_doc& doc, const std::string& name) {
        auto* a = new logged_action(&doc, name);
        a->Do();
        return a;
    }
    static std::vector<std::string> names(test_doc& doc, bool redo) {
        std::vector<std::string> out;
        for (uint32_t d = 0; doc.undo.CanUndo(&doc, 0) && !doc.undo.GetActionName(&doc, redo, d).empty(); ++d)
            out.push_back(doc.undo.GetActionName(&doc, redo, d));
        return out;
    }
};

TEST_F(Undo, DoUndoRedoAndTheModifiedFlag) {
    test_doc doc;
    act(doc, "a");
    act(doc, "b");
    EXPECT_TRUE(doc.modified);
    EXPECT_EQ(names(doc, false), (std::vector<std::string>{"b", "a"}));
    doc.undo.Undo(&doc, 2);
    EXPECT_FALSE(doc.modified);  // back to the state the document was opened in
    EXPECT_EQ(names(doc, true), (std::vector<std::string>{"a", "b"}));
    doc.undo.Redo(&doc, 1);
    EXPECT_TRUE(doc.modified);
    EXPECT_EQ(doc.log, (std::vector<std::string>{"do a", "do b", "undo b", "undo a", "redo a"}));
    EXPECT_EQ(live_actions, 2);

    act(doc, "c");  // a new action drops the redo stack
    EXPECT_FALSE(doc.undo.CanRedo(&doc, 1));
    EXPECT_EQ(live_actions, 2);
    EXPECT_EQ(names(doc, false), (std::vector<std::string>{"c", "a"}));
}

TEST_F(Undo, NotificationRecords) {
    test_doc doc;
    act(doc, "a");
    doc.undo.Undo(&doc, 0);
    doc.undo.Undo(&doc, 1);
    doc.undo.Redo(&doc, 1);
    doc.undo.Do(&doc, nullptr);
    ASSERT_EQ(notices.size(), 5u);
    struct {
        uint32_t message;
        int count;
        bool modified;
    } expected[] = {{undo_message_do(), 1, true},
                    {undo_message_undo(), 0, true},
                    {undo_message_undo(), 1, false},
                    {undo_message_redo(), 1, true},
                    {undo_message_do(), 1, true}};
    for (size_t i = 0; i < notices.size(); ++i) {
        EXPECT_EQ(notices[i].manager, &doc.undo) << i;
        EXPECT_EQ(notices[i].message, expected[i].message) << i;
        EXPECT_EQ(notices[i].count, expected[i].count) << i;
        EXPECT_EQ(notices[i].modified, expected[i].modified) << i;
    }
}

TEST_F(Undo, SealingRules) {
    test_doc doc;
    logged_action* a = act(doc, "a");
    EXPECT_FALSE(a->IsSealed());
    logged_action* b = act(doc, "b");
    EXPECT_TRUE(a->IsSealed());  // the next Do seals the previous top
    EXPECT_FALSE(b->IsSealed());
    doc.undo.Do(&doc, nullptr);  // seals without adding anything
    EXPECT_TRUE(b->IsSealed());
    EXPECT_EQ(live_actions, 2);

    logged_action* c = act(doc, "c");
    doc.undo.Undo(&doc, 1);  // undo seals an open action first
    EXPECT_TRUE(c->IsSealed());
    EXPECT_TRUE(c->IsUndone());
    doc.undo.Redo(&doc, 1);
    EXPECT_FALSE(c->IsUndone());
}

TEST_F(Undo, CanUndoCountsAndUnregisteredOwners) {
    test_doc doc;
    EXPECT_TRUE(doc.undo.CanUndo(&doc, 0));
    EXPECT_TRUE(doc.undo.CanUndo(&doc, -3));
    EXPECT_FALSE(doc.undo.CanUndo(&doc, 1));
    act(doc, "a");
    EXPECT_TRUE(doc.undo.CanUndo(&doc, 1));
    EXPECT_FALSE(doc.undo.CanUndo(&doc, 2));
    doc.undo.Undo(&doc, 5);  // more than the stack: stops at the bottom
    EXPECT_TRUE(doc.undo.CanRedo(&doc, 1));
    doc.undo.Redo(&doc, 5);
    EXPECT_TRUE(doc.undo.CanUndo(&doc, 1));

    test_doc stranger;
    size_t before = notices.size();
    doc.undo.Undo(&stranger, 1);
    doc.undo.Do(&stranger, nullptr);
    EXPECT_FALSE(doc.undo.CanUndo(&stranger, 0));
    EXPECT_EQ(doc.undo.GetActionName(&stranger, false, 0), "");
    EXPECT_EQ(notices.size(), before);
    EXPECT_TRUE(doc.undo.CanUndo(&doc, 1));
}

TEST_F(Undo, LimitDropsTheOldestAndTheDocumentStaysModified) {
    test_doc doc(3);
    for (const char* n : {"a", "b", "c", "d"}) act(doc, n);
    EXPECT_EQ(names(doc, false), (std::vector<std::string>{"d", "c", "b"}));
    EXPECT_EQ(live_actions, 3);
    doc.undo.Undo(&doc, 3);
    EXPECT_TRUE(doc.modified);  // "a" is still applied: this is not the opened state
    EXPECT_EQ(doc.undo.Find(&doc)->saved_position(), -1);
}

// The saved position follows saves and is forgotten once the saved state cannot come back.
TEST_F(Undo, SavedPositionFollowsSaves) {
    struct step {
        const char* op;  // "do", "undo", "redo", "save"
        bool modified;   // expected after the step
    };
    struct {
        const char* what;
        int levels;
        std::vector<step> steps;
    } cases[] = {
        {"undo and redo around a save", 100,
         {{"do", true}, {"do", true}, {"save", false}, {"undo", true}, {"redo", false}, {"do", true}, {"undo", false}}},
        {"a new action after undoing past the save discards it", 100,
         {{"do", true}, {"do", true}, {"save", false}, {"undo", true}, {"do", true}, {"undo", true}, {"undo", true}}},
        {"dropping the oldest keeps a deeper save reachable", 2,
         {{"do", true}, {"save", false}, {"do", true}, {"do", true}, {"undo", true}, {"undo", false}}},
        {"dropping the oldest loses a save at the bottom", 2,
         {{"save", false}, {"do", true}, {"do", true}, {"do", true}, {"undo", true}, {"undo", true}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test_doc doc(c.levels);
        int n = 0;
        for (const step& s : c.steps) {
            std::string op = s.op;
            if (op == "do") {
                act(doc, "x" + std::to_string(++n));
            } else if (op == "undo") {
                doc.undo.Undo(&doc, 1);
            } else if (op == "redo") {
                doc.undo.Redo(&doc, 1);
            } else {
                doc.undo.MarkSaved(&doc);
                doc.modified = false;
            }
            EXPECT_EQ(doc.modified, s.modified) << "after step " << (&s - c.steps.data()) << " " << op;
        }
    }
}

TEST_F(Undo, RegisteringAgainTrimsBothStacks) {
    test_doc doc;
    for (const char* n : {"a", "b", "c", "d", "e"}) act(doc, n);
    doc.undo.Undo(&doc, 1);  // redo: e; undo: d c b a
    doc.undo.Register(&doc, 2, recording_notify);
    EXPECT_EQ(names(doc, false), (std::vector<std::string>{"d", "c"}));
    EXPECT_EQ(names(doc, true), (std::vector<std::string>{"e"}));
    EXPECT_EQ(live_actions, 3);
    doc.undo.Undo(&doc, 2);
    EXPECT_TRUE(doc.modified);  // the opened state went with "a" and "b"

    test_doc saved;
    for (const char* n : {"a", "b", "c"}) act(saved, n);
    saved.undo.MarkSaved(&saved);
    saved.undo.Register(&saved, 2, recording_notify);
    saved.undo.Do(&saved, nullptr);
    EXPECT_FALSE(saved.modified);  // the saved state is still the top
    saved.undo.Undo(&saved, 1);
    EXPECT_TRUE(saved.modified);
}

TEST_F(Undo, UnregisterDeletesTheHistory) {
    test_doc doc;
    act(doc, "a");
    act(doc, "b");
    doc.undo.Undo(&doc, 1);
    doc.undo.Unregister(&doc);
    EXPECT_EQ(live_actions, 0);
    EXPECT_EQ(doc.undo.Find(&doc), nullptr);
}

TEST_F(Undo, ActionDoneWithoutAHistoryIsDeletedWithTheManager) {
    {
        test_doc doc;
        doc.undo.Unregister(&doc);
        act(doc, "lost");
        EXPECT_EQ(doc.log, (std::vector<std::string>{"do lost"}));
        EXPECT_FALSE(doc.undo.CanUndo(&doc, 1));
    }
    EXPECT_EQ(live_actions, 0);
}

TEST_F(Undo, ActionNamesFromTheStringTable) {
    CAction::SetNameLoader([](uint32_t id) { return id == 105 ? std::string("Text-based Lipsync") : std::string(); });
    test_doc doc;
    CAction named(&doc, 105, false);
    EXPECT_EQ(named.GetName(), "Text-based Lipsync");
    CAction unnamed(&doc, 0, false);
    EXPECT_EQ(unnamed.GetName(), "");
    CAction::SetNameLoader(nullptr);
}

TEST(WindowMessages, NamesGetStableDistinctIds) {
    uint32_t a = register_window_message("WindowMessages::a");
    uint32_t b = register_window_message("WindowMessages::b");
    EXPECT_GE(a, 0xC000u);
    EXPECT_NE(a, b);
    EXPECT_EQ(register_window_message("WindowMessages::a"), a);
    EXPECT_EQ(register_window_message("UndoManager:Do"), undo_message_do());
    EXPECT_NE(undo_message_do(), undo_message_undo());
    EXPECT_NE(undo_message_undo(), undo_message_redo());
}

}  // namespace
