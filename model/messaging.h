// In-process messaging: reference-counted messages with types registered by name, publishers
// that hand them to their subscribers at once or through the process-wide post queue.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

// Id of a message name: names get 0, 1, 2 ... in order of first registration; the same name
// always gives the same id. Any thread.
int pub_register_message(const char* name);

// A message. Made on the heap with a count of 0; each holder takes a reference with add_ref and
// gives it back with release, which deletes the message when the last reference goes. The count
// is atomic: a message posted on the audio pump thread is released on the user-interface thread.
class pub_message {
public:
    explicit pub_message(uint32_t message_type) : type(message_type) {}
    pub_message(const pub_message&) = delete;
    pub_message& operator=(const pub_message&) = delete;
    virtual ~pub_message() = default;

    // Releasing a message whose count is already 0 does nothing.
    virtual void release();
    virtual void add_ref();

    uint32_t ref_count() const { return count_.load(std::memory_order_acquire); }

    const uint32_t type;

private:
    std::atomic<uint32_t> count_{0};
};

// Playback position report of a timeline view.
class audio_play_message : public pub_message {
public:
    audio_play_message(uint32_t message_type, uint32_t play_position) : pub_message(message_type), position(play_position) {}

    uint32_t position;
};

class publisher;

// Receives messages. Destroying a subscriber drops the deliveries still queued for it.
class subscriber {
public:
    subscriber() = default;
    subscriber(const subscriber&) = delete;
    subscriber& operator=(const subscriber&) = delete;
    virtual ~subscriber();

    // Owns one reference of the message and must release it before returning. Posted messages
    // arrive on the user-interface thread.
    virtual void notify(publisher* sender, pub_message* message) = 0;
};

// Sends messages to its subscribers. The subscriber list is not locked: subscribe and unsubscribe
// on the user-interface thread while no other thread posts through this publisher. Destroying a
// publisher drops the deliveries it still has queued.
class publisher {
public:
    publisher() = default;
    publisher(const publisher&) = delete;
    publisher& operator=(const publisher&) = delete;
    virtual ~publisher();

    // Appends the subscriber unless it is subscribed already.
    virtual void subscribe(subscriber* s);
    // Removes every entry of the subscriber.
    virtual void unsubscribe(subscriber* s);
    // Delivers at once on the calling thread, in subscription order.
    virtual void publish(pub_message* m);
    // Queues one delivery per subscriber; a message nobody subscribed to is deleted at once.
    // Any thread.
    virtual void post(pub_message* m);
    virtual bool is_subscribed(subscriber* s) const;

private:
    std::vector<subscriber*> subscribers_;
};
