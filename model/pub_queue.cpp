// The post queue: posting from any thread, dispatching on the user-interface thread, and
// dropping deliveries whose sender or receiver goes away.
#include "model/pub_queue.h"

#include <algorithm>
#include <atomic>

#include "model/messaging.h"
#include "platform/sync_lock.h"

namespace {

// The lock and the list of running dispatches outlive every static object that might still
// post or unsubscribe while the process ends, so they are never destroyed.
CSyncLock& queue_lock() {
    static CSyncLock* lock = new CSyncLock;
    return *lock;
}

pub_queue* g_queue = nullptr;  // guarded by queue_lock()
std::atomic<pub_queue::wake_function> g_wake{nullptr};
bool g_wake_outstanding = false;  // a wake-up was asked for and no dispatch has taken the batch; guarded by queue_lock()

// Deliveries taken out of the queue by one dispatch call. An entry whose receiver is null has
// been delivered or cancelled. Guarded by queue_lock().
struct dispatch_batch {
    std::vector<pub_delivery> items;
};

std::vector<dispatch_batch*>& running_batches() {
    static auto* batches = new std::vector<dispatch_batch*>;
    return *batches;
}

// Unregisters a batch when its dispatch ends, releasing whatever it did not deliver (only a
// handler that throws leaves any).
class batch_registration {
public:
    explicit batch_registration(dispatch_batch& b) : batch_(b) {}
    ~batch_registration() {
        CSyncLockHolder hold(queue_lock());
        auto& running = running_batches();
        running.erase(std::remove(running.begin(), running.end(), &batch_), running.end());
        for (pub_delivery& d : batch_.items) {
            if (d.receiver) {
                d.receiver = nullptr;
                d.message->release();
            }
        }
    }
    batch_registration(const batch_registration&) = delete;
    batch_registration& operator=(const batch_registration&) = delete;

private:
    dispatch_batch& batch_;
};

// Drops the matching deliveries that running dispatches have not reached yet, releasing their
// messages. Caller holds the lock.
template <class Match>
void drop_running(Match match) {
    for (dispatch_batch* b : running_batches()) {
        for (pub_delivery& d : b->items) {
            if (d.receiver && match(d)) {
                d.receiver = nullptr;
                d.message->release();
            }
        }
    }
}

}  // namespace

template <class Match>
void pub_queue::drop_pending(Match match) {
    auto kept = std::remove_if(pending_.begin(), pending_.end(), [&](const pub_delivery& d) {
        if (!match(d)) return false;
        d.message->release();
        return true;
    });
    pending_.erase(kept, pending_.end());
}

pub_queue::~pub_queue() {
    CSyncLockHolder hold(queue_lock());
    for (pub_delivery& d : pending_) d.message->release();
    pending_.clear();
    pending_.shrink_to_fit();
}

pub_queue* pub_queue::instance() {
    CSyncLockHolder hold(queue_lock());
    if (!g_queue) g_queue = new pub_queue;
    return g_queue;
}

void pub_queue::destroy_instance() {
    CSyncLockHolder hold(queue_lock());
    delete g_queue;
    g_queue = nullptr;
}

void pub_queue::enqueue(const pub_delivery& d) {
    wake_function wake = nullptr;
    {
        CSyncLockHolder hold(queue_lock());
        instance()->pending_.push_back(d);
        if (!g_wake_outstanding) {
            wake = g_wake.load();
            g_wake_outstanding = wake != nullptr;
        }
    }
    if (wake) wake();
}

void pub_queue::set_wake(wake_function wake) {
    CSyncLockHolder hold(queue_lock());
    g_wake.store(wake);
    g_wake_outstanding = false;
}

void pub_queue::dispatch() {
    dispatch_batch batch;
    {
        CSyncLockHolder hold(queue_lock());
        // Whatever is posted from here on needs a wake-up of its own.
        g_wake_outstanding = false;
        if (!g_queue || g_queue->pending_.empty()) return;
        batch.items.swap(g_queue->pending_);
        running_batches().push_back(&batch);
    }
    batch_registration registration(batch);
    for (size_t i = 0;; ++i) {
        pub_delivery d;
        {
            CSyncLockHolder hold(queue_lock());
            if (i >= batch.items.size()) break;
            d = batch.items[i];
            batch.items[i].receiver = nullptr;
        }
        if (d.receiver) d.receiver->notify(d.sender, d.message);
    }
}

void pub_queue::remove_subscriber(subscriber* s) {
    CSyncLockHolder hold(queue_lock());
    auto match = [s](const pub_delivery& d) { return d.receiver == s; };
    if (g_queue) g_queue->drop_pending(match);
    drop_running(match);
}

void pub_queue::remove_publisher(publisher* p, int type) {
    CSyncLockHolder hold(queue_lock());
    auto match = [p, type](const pub_delivery& d) {
        return d.sender == p && (type == -1 || d.message->type == static_cast<uint32_t>(type));
    };
    if (g_queue) g_queue->drop_pending(match);
    drop_running(match);
}

bool pub_queue::has_instance() {
    CSyncLockHolder hold(queue_lock());
    return g_queue != nullptr;
}

size_t pub_queue::pending_count() {
    CSyncLockHolder hold(queue_lock());
    return g_queue ? g_queue->pending_.size() : 0;
}
