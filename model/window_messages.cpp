// Registry of named notification ids.
#include "model/window_messages.h"

#include <map>
#include <mutex>
#include <string>

uint32_t register_window_message(const char* name) {
    constexpr uint32_t kFirstRegisteredId = 0xC000;
    static auto* ids = new std::map<std::string, uint32_t>;
    static auto* guard = new std::mutex;
    std::lock_guard<std::mutex> hold(*guard);
    auto [it, inserted] = ids->emplace(name ? name : "", kFirstRegisteredId + static_cast<uint32_t>(ids->size()));
    return it->second;
}

uint32_t undo_message_do() {
    static const uint32_t id = register_window_message("UndoManager:Do");
    return id;
}

uint32_t undo_message_undo() {
    static const uint32_t id = register_window_message("UndoManager:Undo");
    return id;
}

uint32_t undo_message_redo() {
    static const uint32_t id = register_window_message("UndoManager:Redo");
    return id;
}
