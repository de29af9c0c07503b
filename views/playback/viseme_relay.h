// The mouth-shape relay: carries the shapes the viseme player picks on its own thread to the GUI
// thread through the post queue, where the process-wide viseme handler shows them.
#pragma once

#include <cstdint>

#include "model/messaging.h"

struct ArticulationKey;

// Made and destroyed on the GUI thread (the thread that dispatches the post queue); PostViseme,
// PostVisemeMix and DropPending from any thread. No lock of its own: the post queue's lock guards
// the shapes on their way. Every shape is delivered once, in the order it was posted (a head's
// rate limit counts them), to the handler set at the time of delivery; none when there is none.
// Shapes not yet delivered go with the relay.
class viseme_relay : private publisher, private subscriber {
public:
    viseme_relay();
    ~viseme_relay() override;

    // Queue IVisemeHandler::SetViseme and IVisemeHandler::SetVisemeMix (the key is copied; a null
    // key stays null).
    void PostViseme(const char* label, int32_t amount);
    void PostVisemeMix(const ArticulationKey* key);
    // Drops the shapes posted and not yet delivered.
    void DropPending();

private:
    void notify(publisher* sender, pub_message* message) override;
};
