// Messaging: reference counts, immediate and posted delivery, the queue's removal rules and a
// second thread posting while the user-interface thread dispatches.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "model/messaging.h"
#include "model/pub_queue.h"

namespace {

std::atomic<int> live_messages{0};

class counted_message : public pub_message {
public:
    explicit counted_message(uint32_t type, int tag = 0) : pub_message(type), tag(tag) { ++live_messages; }
    ~counted_message() override { --live_messages; }
    int tag;
};

// Records what it receives and releases each reference as a handler must.
class recorder : public subscriber {
public:
    void notify(publisher* sender, pub_message* message) override {
        senders.push_back(sender);
        tags.push_back(static_cast<counted_message*>(message)->tag);
        if (on_notify) on_notify(message);
        message->release();
    }
    std::vector<publisher*> senders;
    std::vector<int> tags;
    std::function<void(pub_message*)> on_notify;
};

class Messaging : public ::testing::Test {
protected:
    void SetUp() override {
        pub_queue::destroy_instance();
        live_messages = 0;
    }
    void TearDown() override {
        pub_queue::destroy_instance();
        EXPECT_EQ(live_messages, 0);
    }
    const uint32_t kType = static_cast<uint32_t>(pub_register_message("test::first"));
    const uint32_t kOther = static_cast<uint32_t>(pub_register_message("test::second"));
};

TEST_F(Messaging, RegisteredIdsAreStableAndDistinct) {
    int a = pub_register_message("Messaging::alpha");
    int b = pub_register_message("Messaging::beta");
    EXPECT_EQ(b, a + 1);
    EXPECT_EQ(pub_register_message("Messaging::alpha"), a);
    EXPECT_NE(kType, kOther);
}

TEST_F(Messaging, ReleaseAtZeroDoesNotDelete) {
    auto* m = new counted_message(kType);
    m->release();
    EXPECT_EQ(live_messages, 1);
    m->add_ref();
    m->add_ref();
    m->release();
    EXPECT_EQ(m->ref_count(), 1u);
    m->release();
    EXPECT_EQ(live_messages, 0);
}

TEST_F(Messaging, PostWithoutSubscribersDeletesTheMessage) {
    publisher p;
    p.post(new counted_message(kType));
    EXPECT_EQ(live_messages, 0);
    EXPECT_EQ(pub_queue::pending_count(), 0u);
}

TEST_F(Messaging, PostQueuesOneDeliveryPerSubscriberUntilDispatch) {
    publisher p;
    recorder a, b;
    p.subscribe(&a);
    p.subscribe(&b);
    p.subscribe(&a);  // once only
    p.post(new counted_message(kType, 7));
    EXPECT_EQ(pub_queue::pending_count(), 2u);
    EXPECT_TRUE(a.tags.empty());
    a.on_notify = [](pub_message*) { EXPECT_EQ(live_messages, 1); };
    b.on_notify = [](pub_message* m) { EXPECT_EQ(m->ref_count(), 1u); };  // the last holder
    pub_queue::dispatch();
    EXPECT_EQ(a.tags, std::vector<int>{7});
    EXPECT_EQ(b.tags, std::vector<int>{7});
    EXPECT_EQ(a.senders, std::vector<publisher*>{&p});
    EXPECT_EQ(live_messages, 0);
}

TEST_F(Messaging, PublishDeliversAtOnce) {
    publisher p;
    recorder a;
    p.subscribe(&a);
    auto* m = new counted_message(kType, 3);
    m->add_ref();
    p.publish(m);
    EXPECT_EQ(a.tags, std::vector<int>{3});
    EXPECT_EQ(m->ref_count(), 1u);
    m->release();
    p.unsubscribe(&a);
    EXPECT_FALSE(p.is_subscribed(&a));
}

TEST_F(Messaging, DestroyedSubscriberLosesItsQueuedDeliveries) {
    publisher p;
    recorder kept;
    auto gone = std::make_unique<recorder>();
    p.subscribe(gone.get());
    p.subscribe(&kept);
    p.post(new counted_message(kType, 1));
    p.unsubscribe(gone.get());
    gone.reset();
    EXPECT_EQ(pub_queue::pending_count(), 1u);
    pub_queue::dispatch();
    EXPECT_EQ(kept.tags, std::vector<int>{1});
}

TEST_F(Messaging, DestroyedPublisherLosesItsQueuedDeliveries) {
    recorder r;
    publisher stays;
    stays.subscribe(&r);
    {
        publisher gone;
        gone.subscribe(&r);
        gone.post(new counted_message(kType, 1));
        stays.post(new counted_message(kType, 2));
    }
    EXPECT_EQ(live_messages, 1);
    pub_queue::dispatch();
    EXPECT_EQ(r.tags, std::vector<int>{2});
    EXPECT_EQ(r.senders, std::vector<publisher*>{&stays});
}

TEST_F(Messaging, RemovePublisherByType) {
    publisher p, q;
    recorder r;
    p.subscribe(&r);
    q.subscribe(&r);
    p.post(new counted_message(kType, 1));
    p.post(new counted_message(kOther, 2));
    q.post(new counted_message(kType, 3));
    pub_queue::remove_publisher(&p, static_cast<int>(kType));
    EXPECT_EQ(pub_queue::pending_count(), 2u);
    pub_queue::remove_publisher(&q, -1);
    pub_queue::dispatch();
    EXPECT_EQ(r.tags, std::vector<int>{2});
}

TEST_F(Messaging, HandlerPostsAreDeliveredByTheNextDispatch) {
    publisher p;
    recorder r;
    p.subscribe(&r);
    r.on_notify = [&](pub_message* m) {
        if (static_cast<counted_message*>(m)->tag == 1) p.post(new counted_message(kType, 2));
    };
    p.post(new counted_message(kType, 1));
    pub_queue::dispatch();
    EXPECT_EQ(r.tags, std::vector<int>{1});
    pub_queue::dispatch();
    EXPECT_EQ(r.tags, (std::vector<int>{1, 2}));
}

TEST_F(Messaging, SubscriberDestroyedByAnEarlierHandlerIsNotCalled) {
    publisher p;
    recorder first;
    auto second = std::make_unique<recorder>();
    p.subscribe(&first);
    p.subscribe(second.get());
    first.on_notify = [&](pub_message*) {
        p.unsubscribe(second.get());
        second.reset();
    };
    p.post(new counted_message(kType, 1));
    pub_queue::dispatch();
    EXPECT_EQ(first.tags, std::vector<int>{1});
    EXPECT_EQ(second, nullptr);
}

TEST_F(Messaging, DestroyInstanceReleasesPendingAndRemovalDoesNotRecreateIt) {
    publisher p;
    auto r = std::make_unique<recorder>();
    p.subscribe(r.get());
    p.post(new counted_message(kType));
    pub_queue::destroy_instance();
    EXPECT_EQ(live_messages, 0);
    p.unsubscribe(r.get());
    r.reset();  // subscriber destructor after the queue is gone
    pub_queue::remove_publisher(&p, -1);
    pub_queue::dispatch();
    EXPECT_FALSE(pub_queue::has_instance());
    // A post is the first thing to make a queue again.
    recorder s;
    p.subscribe(&s);
    p.post(new counted_message(kType, 9));
    pub_queue::dispatch();
    EXPECT_EQ(s.tags, std::vector<int>{9});
}

// The pump thread's pattern: drop the waiting position report of this publisher, post a new one.
// Each message must reach the handler at most once, the last one always, and none may leak.
TEST_F(Messaging, SecondThreadPostsWhileDispatching) {
    constexpr int kPosts = 20000;
    publisher pump;
    recorder view;
    pump.subscribe(&view);
    std::atomic<bool> done{false};
    std::thread poster([&] {
        for (int i = 1; i <= kPosts; ++i) {
            if (i % 2) pub_queue::remove_publisher(&pump, static_cast<int>(kType));
            pump.post(new counted_message(i % 2 ? kType : kOther, i));
        }
        done = true;
    });
    while (!done) pub_queue::dispatch();
    poster.join();
    pub_queue::dispatch();

    std::vector<int> seen(kPosts + 1, 0);
    for (int tag : view.tags) ++seen[tag];
    for (int i = 1; i <= kPosts; ++i) {
        EXPECT_LE(seen[i], 1) << i;
        if (i % 2 == 0) {
            EXPECT_EQ(seen[i], 1) << i;  // never removed, so always delivered
        }
    }
    EXPECT_EQ(seen[kPosts - 1], 1);  // the last position report
    EXPECT_EQ(pub_queue::pending_count(), 0u);
    EXPECT_EQ(live_messages, 0);
}

std::atomic<int> wakes{0};
void count_wake() { ++wakes; }

// Posting wakes the user-interface thread once per batch: a second post before the dispatch
// needs no second wake-up, a post after it does, and a post from a handler during the dispatch
// asks for the wake-up that delivers it.
TEST_F(Messaging, PostingWakesOncePerBatch) {
    wakes = 0;
    pub_queue::set_wake(&count_wake);
    publisher p;
    recorder s;
    p.subscribe(&s);
    p.post(new counted_message(kType, 1));
    EXPECT_EQ(wakes, 1);
    p.post(new counted_message(kType, 2));
    EXPECT_EQ(wakes, 1);
    pub_queue::dispatch();
    EXPECT_EQ(s.tags, (std::vector<int>{1, 2}));
    std::thread([&] { p.post(new counted_message(kType, 3)); }).join();
    EXPECT_EQ(wakes, 2);
    s.on_notify = [&](pub_message*) {
        if (s.tags.size() == 3) p.post(new counted_message(kType, 4));
    };
    pub_queue::dispatch();
    EXPECT_EQ(wakes, 3);
    pub_queue::dispatch();
    EXPECT_EQ(s.tags, (std::vector<int>{1, 2, 3, 4}));
    pub_queue::dispatch();  // an empty dispatch asks for nothing
    EXPECT_EQ(wakes, 3);
    pub_queue::set_wake(nullptr);
    p.post(new counted_message(kType, 5));
    EXPECT_EQ(wakes, 3);
    pub_queue::dispatch();
}

}  // namespace
