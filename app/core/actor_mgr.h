// The characters the head views can show: the 2D wireframe head, two 3D heads built into the
// program, and character files imported during the run. Only the selection outlives the run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/messaging.h"

class IProfileStore;
class IPrompts;

constexpr uint32_t kActor3D = 1;
constexpr uint32_t kActor2DWireframe = 2;
constexpr uint32_t kActorCharacterPack = 4;
constexpr uint32_t kActorInProgram = 8;

struct ActorRecord {
    uint32_t flags = 0;
    std::string resourceType;  // "MODEL3D" for a built-in 3D head, else empty
    uint32_t resourceId = 0;
    std::string path;          // an imported actor's character file
    std::string guid;          // 36 characters, grouped 8-4-4-4-12
    std::string name;          // shown in the viewer bar
};

constexpr const char* kWireframeActorGuid = "CA80AADF-128C-4cb3-A328-0A43C00016EA";
constexpr const char* kLowPolyActorGuid = "907CEC53-2B01-4532-AA22-F8EA0A623446";
constexpr const char* kHighPolyActorGuid = "0DC74B58-DEDD-4424-AFCC-921AE8A65DD4";

// User-interface thread only; "action_mgr::sel_change" reaches subscribers through the post
// queue, on its next dispatch.
class actor_mgr : public publisher {
public:
    // Adds the three built-in actors and takes the saved selection ("UI"/"SelActorGUID") when it
    // names one of them, else "High Poly D3D Model". Posts nothing.
    void Init(const IProfileStore& profile);
    void SaveSelection(IProfileStore& profile) const;

    const ActorRecord& GetFirstActor() const { return records_.at(0); }
    const ActorRecord& GetDefaultActor() const { return records_.at(2); }
    // The selected record; the default actor when no record has the selected GUID.
    const ActorRecord& GetSelectedActor() const;
    std::string GetSelectedGUID() const { return selectedGuid_; }
    bool FindActor(const std::string& guid, ActorRecord* out) const;
    // Selects the record with the actor's GUID and posts, also when it was selected; an unknown
    // GUID changes nothing and posts nothing.
    void SelectActor(const ActorRecord& actor);
    // Appends an actor for a character file (a ".zcpk" pack or a text file) under a new GUID and
    // selects it. Always true.
    bool AddActor(const std::string& name, const std::string& path);
    // Takes back an imported actor whose character cannot be shown, as though it had never been
    // added: the record goes and, when it was selected, the selection returns to `shown` (the
    // actor whose head is shown; the default when no record has that GUID) without a message.
    // Built-in actors stay. Both GUIDs are taken by value: a caller may pass a record's own field,
    // which the withdrawal frees.
    void WithdrawActor(std::string guid, std::string shown);
    // Asks for a character file and adds it under its base name; false when cancelled.
    bool ImportCharacter(IPrompts& prompts);
    const std::vector<ActorRecord>& GetRecords() const { return records_; }
    int SelChangeMessage() const { return selChange_; }

private:
    std::vector<ActorRecord> records_;
    std::string selectedGuid_;
    int selChange_ = -1;
};
