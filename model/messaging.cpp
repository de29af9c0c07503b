// Messages, publishers, subscribers and the message-name registry.
#include "model/messaging.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <string>

#include "model/pub_queue.h"

int pub_register_message(const char* name) {
    // Never destroyed: static objects may still register or look up names while the process ends.
    static auto* names = new std::map<std::string, int>;
    static auto* guard = new std::mutex;
    std::lock_guard<std::mutex> hold(*guard);
    auto [it, inserted] = names->emplace(name ? name : "", static_cast<int>(names->size()));
    return it->second;
}

void pub_message::add_ref() { count_.fetch_add(1, std::memory_order_relaxed); }

void pub_message::release() {
    uint32_t n = count_.load(std::memory_order_relaxed);
    do {
        if (n == 0) return;
    } while (!count_.compare_exchange_weak(n, n - 1, std::memory_order_acq_rel, std::memory_order_relaxed));
    if (n == 1) delete this;
}

subscriber::~subscriber() { pub_queue::remove_subscriber(this); }

publisher::~publisher() { pub_queue::remove_publisher(this, -1); }

void publisher::subscribe(subscriber* s) {
    if (!is_subscribed(s)) subscribers_.push_back(s);
}

void publisher::unsubscribe(subscriber* s) {
    subscribers_.erase(std::remove(subscribers_.begin(), subscribers_.end(), s), subscribers_.end());
}

bool publisher::is_subscribed(subscriber* s) const {
    return std::find(subscribers_.begin(), subscribers_.end(), s) != subscribers_.end();
}

void publisher::publish(pub_message* m) {
    // A copy, so that handlers may subscribe or unsubscribe meanwhile.
    std::vector<subscriber*> receivers = subscribers_;
    m->add_ref();
    for (subscriber* s : receivers) {
        m->add_ref();
        s->notify(this, m);
    }
    m->release();
}

void publisher::post(pub_message* m) {
    std::vector<subscriber*> receivers = subscribers_;
    m->add_ref();
    for (subscriber* s : receivers) {
        m->add_ref();
        pub_queue::enqueue({this, s, m});
    }
    m->release();
}
