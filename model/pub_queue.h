// The process-wide post queue: deliveries posted from any thread wait here until the
// user-interface thread dispatches them, woken once per batch by the wake-up set below (nothing
// polls).
#pragma once

#include <cstddef>
#include <vector>

class publisher;
class subscriber;
class pub_message;

struct pub_delivery {
    publisher* sender;
    subscriber* receiver;
    pub_message* message;  // the delivery holds one reference
};

// One instance per process, made on first use. Its vector is guarded by one process-wide
// re-entrant lock, held only to change the vector, never while a handler runs, so handlers may
// post, dispatch, and destroy subscribers or publishers.
class pub_queue {
public:
    pub_queue(const pub_queue&) = delete;
    pub_queue& operator=(const pub_queue&) = delete;
    // Releases the message of every pending delivery without delivering it.
    virtual ~pub_queue();

    // Makes the queue when there is none. Any thread.
    static pub_queue* instance();
    // Deletes the queue (pending messages are released undelivered); a later instance() makes a
    // new one.
    static void destroy_instance();

    // Queues a delivery, making the queue when there is none; takes over one reference of its
    // message. Any thread.
    static void enqueue(const pub_delivery& d);

    // Delivers everything queued before the call, in queue order. Deliveries posted meanwhile
    // wait for the next dispatch. User-interface thread.
    static void dispatch();
    // Drops every queued delivery addressed to the subscriber, also those a running dispatch has
    // not reached yet. Never makes a queue. Any thread.
    static void remove_subscriber(subscriber* s);
    // Drops the queued deliveries of the publisher whose message type equals type (all of them
    // when type is -1). Never makes a queue. Any thread.
    static void remove_publisher(publisher* p, int type);

    // The user-interface thread's wake-up: called (on the posting thread, outside the lock) when
    // a delivery is queued and no wake-up is outstanding, that is once per batch until the next
    // dispatch takes the batch. It must only schedule a dispatch on the user-interface thread,
    // never dispatch itself. Null (the default) leaves dispatching to the caller's own loop.
    using wake_function = void (*)();
    static void set_wake(wake_function wake);

    // Whether a queue exists now.
    static bool has_instance();
    // Number of deliveries waiting (0 when there is no queue).
    static std::size_t pending_count();

private:
    pub_queue() = default;

    // Removes the matching pending deliveries, releasing their messages. Caller holds the lock.
    template <class Match>
    void drop_pending(Match match);

    std::vector<pub_delivery> pending_;
};
