// Actors: the built-in three with their GUIDs, the saved selection, import by file dialog.
#include "app/core/actor_mgr.h"

#include <gtest/gtest.h>

#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "model/pub_queue.h"

namespace {

class Counter : public subscriber {
public:
    void notify(publisher*, pub_message* m) override {
        ++count;
        m->release();
    }
    int count = 0;
};

class ActorMgrTest : public ::testing::Test {
protected:
    void TearDown() override { pub_queue::destroy_instance(); }
};

TEST_F(ActorMgrTest, BuiltInActorsAndTheSavedSelection) {
    struct Case {
        const char* saved;  // nullptr: no value in the profile
        const char* expected;
    } cases[] = {
        {nullptr, kHighPolyActorGuid},
        {kWireframeActorGuid, kWireframeActorGuid},
        {kLowPolyActorGuid, kLowPolyActorGuid},
        {"ca80aadf-128c-4cb3-a328-0a43c00016ea", kHighPolyActorGuid},  // compared exactly
        {"0f0f0f0f-0000-4000-8000-000000000000", kHighPolyActorGuid},  // an imported actor's
    };
    for (const Case& c : cases) {
        CMemoryProfileStore profile;
        if (c.saved) profile.WriteString("UI", "SelActorGUID", c.saved);
        actor_mgr mgr;
        mgr.Init(profile);
        EXPECT_EQ(mgr.GetSelectedGUID(), c.expected) << (c.saved ? c.saved : "none");
        EXPECT_EQ(mgr.GetSelectedActor().guid, c.expected);
        EXPECT_EQ(pub_queue::pending_count(), 0u);

        CMemoryProfileStore after;
        mgr.SaveSelection(after);
        EXPECT_EQ(after.GetString("UI", "SelActorGUID", ""), c.expected);
    }

    CMemoryProfileStore profile;
    actor_mgr mgr;
    mgr.Init(profile);
    const auto& r = mgr.GetRecords();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].name, "Wireframe View");
    EXPECT_EQ(r[0].flags, 10u);
    EXPECT_EQ(r[0].resourceType, "");
    EXPECT_EQ(r[1].name, "Low Poly D3D Model");
    EXPECT_EQ(r[1].flags, 13u);
    EXPECT_EQ(r[1].resourceType, "MODEL3D");
    EXPECT_EQ(r[1].resourceId, 217u);
    EXPECT_EQ(r[1].guid, "907CEC53-2B01-4532-AA22-F8EA0A623446");
    EXPECT_EQ(r[2].name, "High Poly D3D Model");
    EXPECT_EQ(r[2].resourceId, 216u);
    EXPECT_EQ(r[2].guid, "0DC74B58-DEDD-4424-AFCC-921AE8A65DD4");
    EXPECT_EQ(&mgr.GetFirstActor(), &r[0]);
    EXPECT_EQ(&mgr.GetDefaultActor(), &r[2]);
}

TEST_F(ActorMgrTest, ImportAddsAndSelectsUnderANewGuid) {
    CMemoryProfileStore profile;
    actor_mgr mgr;
    mgr.Init(profile);
    Counter counter;
    mgr.subscribe(&counter);

    CScriptedPrompts prompts;
    prompts.files = {std::nullopt, "/chars/head.zcpk", "/chars/head.ZCPK", "/chars/head.zcpk"};
    EXPECT_FALSE(mgr.ImportCharacter(prompts));  // cancelled
    pub_queue::dispatch();
    EXPECT_EQ(counter.count, 0);
    EXPECT_EQ(mgr.GetRecords().size(), 3u);

    EXPECT_TRUE(mgr.ImportCharacter(prompts));
    EXPECT_TRUE(mgr.ImportCharacter(prompts));
    EXPECT_TRUE(mgr.ImportCharacter(prompts));
    pub_queue::dispatch();
    EXPECT_EQ(counter.count, 3);
    const auto& r = mgr.GetRecords();
    ASSERT_EQ(r.size(), 6u);
    EXPECT_EQ(r[3].name, "head");
    EXPECT_EQ(r[3].path, "/chars/head.zcpk");
    EXPECT_EQ(r[3].flags, 5u);
    EXPECT_EQ(r[4].flags, 1u);  // the extension is compared exactly
    EXPECT_EQ(r[3].guid.size(), 36u);
    EXPECT_NE(r[3].guid, r[5].guid);
    EXPECT_EQ(mgr.GetSelectedGUID(), r[5].guid);
    EXPECT_EQ(prompts.fileRequests.size(), 4u);

    // Selecting again posts; an unknown GUID neither selects nor posts.
    mgr.SelectActor(r[0]);
    ActorRecord unknown;
    unknown.guid = "not-a-guid";
    mgr.SelectActor(unknown);
    pub_queue::dispatch();
    EXPECT_EQ(counter.count, 4);
    EXPECT_EQ(mgr.GetSelectedGUID(), kWireframeActorGuid);
    ActorRecord found;
    EXPECT_FALSE(mgr.FindActor("not-a-guid", &found));
    mgr.unsubscribe(&counter);
}

// An imported actor whose character cannot be shown is taken back: the selection returns to the
// actor shown, silently; a built-in actor is never taken back.
TEST_F(ActorMgrTest, WithdrawingAnImportTakesItBackAndSelectsTheShownActor) {
    CMemoryProfileStore profile;
    actor_mgr mgr;
    mgr.Init(profile);
    mgr.AddActor("kept", "/chars/kept.txt");
    mgr.AddActor("bad", "/chars/bad.txt");
    pub_queue::dispatch();
    Counter counter;
    mgr.subscribe(&counter);
    const std::string kept = mgr.GetRecords()[3].guid, bad = mgr.GetRecords()[4].guid;
    mgr.WithdrawActor(bad, kept);
    ASSERT_EQ(mgr.GetRecords().size(), 4u);
    EXPECT_EQ(mgr.GetSelectedGUID(), kept);
    // Another actor's withdrawal leaves the selection; a shown GUID that names nothing selects
    // the default; built-in actors stay.
    mgr.AddActor("bad again", "/chars/bad.txt");
    mgr.SelectActor(mgr.GetFirstActor());
    mgr.WithdrawActor(mgr.GetRecords()[4].guid, kept);
    EXPECT_EQ(mgr.GetSelectedGUID(), kWireframeActorGuid);
    mgr.SelectActor(mgr.GetRecords()[3]);
    mgr.WithdrawActor(kept, "gone");
    EXPECT_EQ(mgr.GetSelectedGUID(), kHighPolyActorGuid);
    for (const char* builtIn : {kWireframeActorGuid, kLowPolyActorGuid, kHighPolyActorGuid})
        mgr.WithdrawActor(builtIn, kept);
    EXPECT_EQ(mgr.GetRecords().size(), 3u);
    pub_queue::dispatch();
    EXPECT_EQ(counter.count, 3);  // the two selections and the add, never a withdrawal
    mgr.unsubscribe(&counter);
}

}  // namespace
