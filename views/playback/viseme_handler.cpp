// The process-wide viseme handler pointer.
#include "views/playback/viseme_handler.h"

namespace {
IVisemeHandler* g_handler = nullptr;  // GUI thread only
}  // namespace

IVisemeHandler* GetVisemeHandler() { return g_handler; }

void SetVisemeHandler(IVisemeHandler* handler) { g_handler = handler; }
