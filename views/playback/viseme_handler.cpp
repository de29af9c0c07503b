// The process-wide viseme handler pointer.
#include "views/playback/viseme_handler.h"

#include <atomic>

namespace {
std::atomic<IVisemeHandler*> g_handler{nullptr};
}

IVisemeHandler* GetVisemeHandler() { return g_handler.load(); }
void SetVisemeHandler(IVisemeHandler* handler) { g_handler.store(handler); }
