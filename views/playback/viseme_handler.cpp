// The process-wide viseme handler pointer, and calls through it that its owner can wait out.
#include "views/playback/viseme_handler.h"

#include <atomic>
#include <mutex>
#include <shared_mutex>

namespace {
std::atomic<IVisemeHandler*> g_handler{nullptr};
// Held shared by every call through CallVisemeHandler and exclusively by SetVisemeHandler, so
// that a handler being replaced (a main frame being destroyed) is never called afterwards.
std::shared_mutex& handler_mutex() {
    static auto* m = new std::shared_mutex;  // never destroyed: threads may call while the process ends
    return *m;
}
}  // namespace

IVisemeHandler* GetVisemeHandler() { return g_handler.load(); }

void SetVisemeHandler(IVisemeHandler* handler) {
    std::unique_lock hold(handler_mutex());
    g_handler.store(handler);
}

bool CallVisemeHandler(const std::function<void(IVisemeHandler&)>& call) {
    std::shared_lock hold(handler_mutex());
    IVisemeHandler* handler = g_handler.load();
    if (!handler) return false;
    call(*handler);
    return true;
}
