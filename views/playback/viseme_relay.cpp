// The mouth-shape relay: one message per shape through the post queue, shown on delivery.
#include "views/playback/viseme_relay.h"

#include <string>

#include "model/articulation_key.h"
#include "model/pub_queue.h"
#include "views/playback/viseme_handler.h"

namespace {

int VisemeMessageType() {
    static const int type = pub_register_message("VisemeRelay::Viseme");
    return type;
}

// One mouth shape on its way to the GUI thread: a copy, as the player's key may be gone by then.
class viseme_message : public pub_message {
public:
    explicit viseme_message(const ArticulationKey* k)
        : pub_message(static_cast<uint32_t>(VisemeMessageType())), isMix(true), keyNull(k == nullptr) {
        if (k) key = *k;
    }
    viseme_message(const char* text, int32_t value)
        : pub_message(static_cast<uint32_t>(VisemeMessageType())), label(text ? text : ""), amount(value) {}

    bool isMix = false;
    bool keyNull = false;
    ArticulationKey key{};
    std::string label;
    int32_t amount = 0;
};

}  // namespace

viseme_relay::viseme_relay() { subscribe(this); }

viseme_relay::~viseme_relay() = default;

void viseme_relay::PostViseme(const char* label, int32_t amount) { post(new viseme_message(label, amount)); }

void viseme_relay::PostVisemeMix(const ArticulationKey* key) { post(new viseme_message(key)); }

void viseme_relay::DropPending() { pub_queue::remove_publisher(this, VisemeMessageType()); }

void viseme_relay::notify(publisher*, pub_message* message) {
    if (static_cast<int>(message->type) == VisemeMessageType()) {
        if (IVisemeHandler* handler = GetVisemeHandler()) {
            const auto* m = static_cast<const viseme_message*>(message);
            if (m->isMix) handler->SetVisemeMix(m->keyNull ? nullptr : &m->key);
            else handler->SetViseme(m->label.c_str(), m->amount);
        }
    }
    message->release();
}
