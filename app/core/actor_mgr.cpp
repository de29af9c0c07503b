// The actors manager.
#include "app/core/actor_mgr.h"

#include <algorithm>

#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "engine/util/string_utils.h"
#include "platform/uuid.h"

namespace {
ActorRecord BuiltIn(const char* name, uint32_t flags, const char* type, uint32_t id, const char* guid) {
    ActorRecord r;
    r.flags = flags;
    r.resourceType = type;
    r.resourceId = id;
    r.guid = guid;
    r.name = name;
    return r;
}
}  // namespace

void actor_mgr::Init(const IProfileStore& profile) {
    selChange_ = pub_register_message("action_mgr::sel_change");
    selectedGuid_ = profile.GetString("UI", "SelActorGUID", "");
    records_.push_back(BuiltIn("Wireframe View", kActor2DWireframe | kActorInProgram, "", 0, kWireframeActorGuid));
    records_.push_back(BuiltIn("Low Poly D3D Model", kActor3D | kActorCharacterPack | kActorInProgram, "MODEL3D", 217,
                               kLowPolyActorGuid));
    records_.push_back(BuiltIn("High Poly D3D Model", kActor3D | kActorCharacterPack | kActorInProgram, "MODEL3D", 216,
                               kHighPolyActorGuid));
    bool builtIn = false;
    for (size_t i = 0; i < 3; ++i) builtIn = builtIn || records_[i].guid == selectedGuid_;
    if (!builtIn) selectedGuid_ = kHighPolyActorGuid;
}

void actor_mgr::SaveSelection(IProfileStore& profile) const { profile.WriteString("UI", "SelActorGUID", selectedGuid_); }

const ActorRecord& actor_mgr::GetSelectedActor() const {
    for (const ActorRecord& r : records_)
        if (r.guid == selectedGuid_) return r;
    return GetDefaultActor();
}

bool actor_mgr::FindActor(const std::string& guid, ActorRecord* out) const {
    for (const ActorRecord& r : records_) {
        if (r.guid == guid) {
            *out = r;
            return true;
        }
    }
    return false;
}

void actor_mgr::SelectActor(const ActorRecord& actor) {
    ActorRecord found;
    if (!FindActor(actor.guid, &found)) return;
    selectedGuid_ = found.guid;
    post(new pub_message(static_cast<uint32_t>(selChange_)));
}

bool actor_mgr::AddActor(const std::string& name, const std::string& path) {
    ActorRecord r;
    r.name = name;
    r.path = path;
    std::string folder, base, extension;
    SplitPath(path, folder, base, extension);
    r.flags = extension == "zcpk" ? (kActor3D | kActorCharacterPack) : kActor3D;
    r.guid = CreateUuidString();
    records_.push_back(r);
    SelectActor(r);
    return true;
}

void actor_mgr::WithdrawActor(std::string guid, std::string shown) {
    const auto it = std::find_if(records_.begin(), records_.end(), [&](const ActorRecord& r) { return r.guid == guid; });
    if (it == records_.end() || (it->flags & kActorInProgram)) return;
    records_.erase(it);
    if (selectedGuid_ != guid) return;
    ActorRecord found;
    selectedGuid_ = FindActor(shown, &found) ? shown : GetDefaultActor().guid;
}

bool actor_mgr::ImportCharacter(IPrompts& prompts) {
    FileDialogRequest request;
    request.filter =
        "Character Files (*.txt; *.zcpk)|*.txt; *.zcpk; | Text Files (*.txt)|*.txt| Zuvotrix Character Pack "
        "(*.zcpk)|*.zcpk||";
    request.open = true;
    const std::optional<std::string> path = prompts.ChooseFile(request);
    if (!path) return false;
    std::string folder, base, extension;
    SplitPath(*path, folder, base, extension);
    return AddActor(base, *path);
}
