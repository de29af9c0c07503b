// The command router and the rows installed into it: states and runs by id, one handler per id,
// the named conditions checked against the active context, and no target, no command.
#include "app/core/command_rows.h"

#include <gtest/gtest.h>

#include "app/core/active_context.h"
#include "app/core/document_test_support.h"
#include "app/core/phonarc_doc.h"
#include "app/core/phonarc_doc_flash.h"

namespace {

TEST(CommandRouter, UpdateAndExecute) {
    CCommandRouter router;
    int runs = 0;
    bool enabled = true;
    router.Add(1, [&] { ++runs; }, [&](CommandState& s) {
        s.enabled = enabled;
        s.checked = runs % 2 == 1;
        s.text = "Run";
    });
    router.Add(2, [&] { runs += 10; });

    EXPECT_TRUE(router.Execute(1));
    CommandState s = router.Update(1);
    EXPECT_TRUE(s.checked);
    EXPECT_EQ(s.text, "Run");
    enabled = false;
    EXPECT_FALSE(router.Execute(1));
    EXPECT_FALSE(router.Update(1).enabled);
    EXPECT_TRUE(router.Execute(2));
    EXPECT_TRUE(router.Update(2).enabled);
    EXPECT_FALSE(router.Update(2).checked);
    EXPECT_FALSE(router.Update(3).enabled);
    EXPECT_FALSE(router.Execute(3));
    EXPECT_EQ(runs, 11);
}

// Two owners of one id would leave one of them dead without a word: the second is refused, by
// the router and by the rows, and the first keeps the id.
TEST(CommandRouter, ASecondHandlerForAnIdIsRefused) {
    CCommandRouter router;
    int first = 0, second = 0;
    router.Add(7, [&] { ++first; });
    try {
        router.Add(7, [&] { ++second; });
        ADD_FAILURE() << "the second handler was taken";
    } catch (const duplicate_command& e) {
        EXPECT_EQ(e.id(), 7);
    }
    int target = 0;
    const std::vector<command_row<int>> rows = {{8, [](int& t) { ++t; }}, {7, [](int& t) { t += 100; }}};
    EXPECT_THROW(InstallCommandRows(router, rows, target), duplicate_command);
    EXPECT_TRUE(router.Execute(7));
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(target, 0);
}

class test_context : public active_context {
public:
    CPhonarcDoc* Document() const override { return doc; }
    bool Recognising() const override { return recognising; }
    CPhonarcDoc* doc = nullptr;
    bool recognising = false;
};

class CommandRowsTest : public document_test::DocumentFixture {};

// A row runs and shows its own state only while its target exists and its conditions hold.
TEST_F(CommandRowsTest, NamedConditionsAndTheTargetGateEachRow) {
    test_context context;
    CCommandRouter router;
    int runs = 0;
    const std::vector<command_row<CPhonarcDoc>> rows = {
        {1, [&](CPhonarcDoc&) { ++runs; }, [](CPhonarcDoc&) { return CheckedIf(true); }, kNeedDocument},
        {2, [&](CPhonarcDoc&) { ++runs; }, {}, kNeedDocument | kNeedIdle},
        {3, [&](CPhonarcDoc&) { ++runs; }, {}, kNeedDocument | kNeedSelection},
        {4, [&](CPhonarcDoc&) { ++runs; }, {}, kNeedDocument | kNeedAudio},
    };
    InstallActiveRows(router, context, rows);
    const std::vector<command_row<CPhonarcDocFlash>> flash = {{5, [&](CPhonarcDocFlash&) { ++runs; }}};
    InstallActiveRows(router, context, flash);

    // No document: nothing is enabled and nothing runs.
    for (int id = 1; id <= 5; ++id) {
        EXPECT_FALSE(router.Update(id).enabled) << id;
        EXPECT_FALSE(router.Execute(id)) << id;
    }
    EXPECT_EQ(runs, 0);

    CPhonarcDoc doc(host_);
    context.doc = &doc;
    EXPECT_TRUE(router.Update(1).checked);
    EXPECT_TRUE(router.Execute(2));
    EXPECT_FALSE(router.Update(3).enabled) << "no selection";
    EXPECT_FALSE(router.Update(4).enabled) << "no recording";
    EXPECT_FALSE(router.Update(5).enabled) << "not a Flash document";
    context.recognising = true;
    EXPECT_FALSE(router.Execute(2));
    EXPECT_TRUE(router.Execute(1));
    EXPECT_EQ(runs, 2);

    CopySpeech(".wav", "take.wav");
    CPhonarcDocFlash flash_doc(host_);
    ASSERT_TRUE(flash_doc.OnOpenDocument((dir_ / "take.wav").string()));
    document_test::selection_view view(&flash_doc);
    flash_doc.AddView(&view);
    flash_doc.SetSelectionSource(&view);
    context.doc = &flash_doc;
    EXPECT_TRUE(router.Update(4).enabled);
    EXPECT_FALSE(router.Update(3).enabled);
    view.SelectMs(100, 200);
    EXPECT_TRUE(router.Execute(3));
    EXPECT_TRUE(router.Execute(5));
    EXPECT_EQ(runs, 4);
    flash_doc.RemoveView(&view);
}

}  // namespace
