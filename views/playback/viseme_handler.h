// The receiver of mouth shapes: the main frame, which forwards to the viseme bar and the head
// views. One process-wide handler, set by the main frame; the viseme player and the timeline
// call it.
#pragma once

#include <cstdint>
#include <functional>

struct ArticulationKey;

// Called from the viseme player's thread as well as the user-interface thread: each handler
// makes the calls safe against its own drawing.
class IVisemeHandler {
public:
    virtual ~IVisemeHandler() = default;
    // Shows the weighted mix of the key's phoneme shapes.
    virtual void SetVisemeMix(const ArticulationKey* key) = 0;
    // Shows one phoneme's shape at amount 0..100; "x" with 0 is the mouth at rest.
    virtual void SetViseme(const char* label, int32_t amount) = 0;
};

// The process-wide handler; null until the main frame sets it. Any thread may read it, but only
// the thread that sets it may call what it read (another thread goes through CallVisemeHandler).
IVisemeHandler* GetVisemeHandler();
// Waits for the calls through CallVisemeHandler in progress, so the old handler may be destroyed
// once it returns. A handler must therefore never wait for the thread that replaces it.
void SetVisemeHandler(IVisemeHandler* handler);
// Calls call with the process-wide handler, which SetVisemeHandler cannot replace meanwhile;
// false (and no call) when there is none. Any thread; the call must not set the handler.
bool CallVisemeHandler(const std::function<void(IVisemeHandler&)>& call);
