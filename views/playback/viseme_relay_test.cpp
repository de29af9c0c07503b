// The mouth-shape relay: shapes posted on another thread reach the process-wide handler on the
// thread that dispatches the post queue, every one once and in order; dropped ones never do.
#include "views/playback/viseme_relay.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "model/articulation_key.h"
#include "model/pub_queue.h"
#include "views/playback/playback_test_support.h"
#include "views/playback/viseme_handler.h"

namespace {

using playback_test::shape_log;

class VisemeRelayTest : public ::testing::Test {
protected:
    void SetUp() override { SetVisemeHandler(&head); }
    void TearDown() override {
        SetVisemeHandler(nullptr);
        pub_queue::destroy_instance();
    }

    shape_log head;
};

TEST_F(VisemeRelayTest, ShapesFromAnotherThreadArriveOnTheDispatchingThreadOnceEachInOrder) {
    viseme_relay relay;
    constexpr int kShapes = 500;
    std::thread player([&] {
        ArticulationKey key{};
        for (int i = 1; i <= kShapes; ++i) {
            key.start = i;
            relay.PostVisemeMix(&key);
            key.start = -7;  // the relay took a copy
        }
        relay.PostVisemeMix(nullptr);
        relay.PostViseme("AA", 70);
        relay.PostViseme(nullptr, 0);
    });
    player.join();
    EXPECT_TRUE(head.shapes.empty()) << "shown before the post queue was dispatched";
    pub_queue::dispatch();
    std::vector<shape_log::shape> expected;
    for (int i = 1; i <= kShapes; ++i) expected.push_back({"mix", i});
    expected.push_back({"mix", -1});
    expected.push_back({"AA", 70});
    expected.push_back({"", 0});
    EXPECT_EQ(head.shapes, expected);
    EXPECT_FALSE(head.off_thread);
    pub_queue::dispatch();
    EXPECT_EQ(head.shapes.size(), expected.size());
}

TEST_F(VisemeRelayTest, DroppedShapesAndThoseOfADestroyedRelayNeverArrive) {
    viseme_relay kept;
    auto gone = std::make_unique<viseme_relay>();
    viseme_relay dropping;
    gone->PostViseme("IY", 10);
    kept.PostViseme("AA", 20);
    dropping.PostViseme("UW", 30);
    gone.reset();
    dropping.DropPending();
    pub_queue::dispatch();
    EXPECT_EQ(head.shapes, (std::vector<shape_log::shape>{{"AA", 20}}));
    // A relay whose shapes were dropped sends again; without a handler nothing is shown.
    dropping.PostViseme("UW", 40);
    pub_queue::dispatch();
    EXPECT_EQ(head.shapes.back(), (shape_log::shape{"UW", 40}));
    SetVisemeHandler(nullptr);
    kept.PostViseme("x", 0);
    pub_queue::dispatch();
    EXPECT_EQ(head.shapes.size(), 2u);
}

}  // namespace
