// The receiver of mouth shapes: the main frame, which forwards to the viseme bar and the head
// views. One process-wide handler, set by the main frame; the timeline calls it, and the viseme
// player reaches it through its viseme_relay.
#pragma once

#include <cstdint>

struct ArticulationKey;

// GUI thread only, like every head view behind it: a shape made on another thread crosses
// through a viseme_relay.
class IVisemeHandler {
public:
    virtual ~IVisemeHandler() = default;
    // Shows the weighted mix of the key's phoneme shapes.
    virtual void SetVisemeMix(const ArticulationKey* key) = 0;
    // Shows one phoneme's shape at amount 0..100; "x" with 0 is the mouth at rest.
    virtual void SetViseme(const char* label, int32_t amount) = 0;
};

// The process-wide handler; null until the main frame sets it. GUI thread only.
IVisemeHandler* GetVisemeHandler();
void SetVisemeHandler(IVisemeHandler* handler);
