// A document's recognition and articulator settings and their commands; see document_settings.h.
#include "app/core/document_settings.h"

#include <optional>

#include "app/core/command_ids.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "engine/api/error_messages.h"
#include "engine/articulation/articulator_rules.h"
#include "engine/articulation/phoneme_mixture_articulator.h"
#include "engine/util/file_utils.h"

namespace {

constexpr const char* kSection = "UI";
constexpr size_t kMaxArticulationRulesBytes = size_t{16} << 20;

}  // namespace

document_settings::document_settings(const document_host& host) : host_(host) {
    IProfileStore& p = *host_.profile;
    LipsyncwithEnergy = p.GetInt(kSection, "LipsyncwithEnergy", 0) != 0;
    UseTrigram = p.GetInt(kSection, "UseTrigram", 1) != 0;
    TrigramFile = p.GetString(kSection, "TrigramFile", "");
    LipsyncEntireFile = p.GetInt(kSection, "LipsyncEntireFile", 1) != 0;
    UsePhnConstraints = p.GetInt(kSection, "UsePhnConstraints", 0) != 0;
    PhnConstraintsFile = p.GetString(kSection, "PhnConstraintsFile", "");
    ArtFlags = static_cast<uint32_t>(p.GetInt(kSection, "ArtFlags", 0));
    model_uri = p.GetString(kSection, "model_uri", "GENERIC_HMM");
    external_model = p.GetString(kSection, "external_model", "");
    current_articulator = p.GetString(kSection, "current_articulator", "");
    external_art = p.GetString(kSection, "external_art", "");
    if (host_.range_selection && host_.select_range && host_.range_selection() >= 0) {
        host_.select_range(LipsyncEntireFile ? 0 : 1);
    }
}

void document_settings::BindArticulator(CPhonemeMixtureArticulator* articulator,
                                        std::function<void(const std::string&)> log) {
    articulator_ = articulator;
    log_ = std::move(log);
}

void document_settings::WriteProfileFlag(const char* key, bool value) {
    host_.profile->WriteInt(kSection, key, value ? 1 : 0);
}

void document_settings::OnToggleEnergy() {
    LipsyncwithEnergy = !LipsyncwithEnergy;
    WriteProfileFlag("LipsyncwithEnergy", LipsyncwithEnergy);
}

void document_settings::OnToggleLanguageModel() {
    UseTrigram = !UseTrigram;
    WriteProfileFlag("UseTrigram", UseTrigram);
}

void document_settings::OnToggleEntireFile() {
    LipsyncEntireFile = !LipsyncEntireFile;
    if (host_.select_range && host_.range_selection && host_.range_selection() >= 0) {
        host_.select_range(LipsyncEntireFile ? 0 : 1);
    }
    WriteProfileFlag("LipsyncEntireFile", LipsyncEntireFile);
}

CommandState document_settings::UpdateEntireFile() {
    if (host_.range_selection) {
        const int selection = host_.range_selection();
        if (selection >= 0) LipsyncEntireFile = selection == 0;
    }
    return {true, LipsyncEntireFile, {}};
}

void document_settings::SyncLipsyncEntireFile() {
    if (!host_.range_selection) return;
    const int selection = host_.range_selection();
    if (selection < 0) return;
    const bool entire = selection == 0;
    if (entire == LipsyncEntireFile) return;
    LipsyncEntireFile = entire;
    WriteProfileFlag("LipsyncEntireFile", LipsyncEntireFile);
}

void document_settings::OnToggleSecondChannel() {
    second_channel = !second_channel;
    if (second_channel_changed) second_channel_changed();
}

void document_settings::OnTogglePhnConstraints() {
    UsePhnConstraints = !UsePhnConstraints;
    WriteProfileFlag("UsePhnConstraints", UsePhnConstraints);
}

void document_settings::OnToggleSmoothing() {
    ArtFlags ^= 1u;
    if (articulator_) articulator_->SetFlags(ArtFlags);
    host_.profile->WriteInt(kSection, "ArtFlags", static_cast<int>(ArtFlags));
}

void document_settings::LoadArticulation() {
    if (!articulator_) return;
    if (!current_articulator.empty()) {
        std::string rules, why;
        std::string error;
        if (ReadWholeFile(current_articulator, kMaxArticulationRulesBytes, &rules, &why)) {
            const int code = articulator_->LoadArticulatorRules(rules.c_str(), static_cast<int>(rules.size()));
            if (code != 0) error = "Error: " + current_articulator + ": " + GetErrorMessage(code) + "\n";
        } else {
            error = "Error: " + why + "\n";
        }
        if (!error.empty() && log_) log_(error);
    }
    articulator_->SetFlags(ArtFlags);
    articulator_->SetLevel(4);
}

void document_settings::OnArticulatorDefault() {
    current_articulator.clear();
    host_.profile->WriteString(kSection, "current_articulator", current_articulator);
    // An empty name loads nothing: without this the rules of the file chosen before would stay.
    if (articulator_) articulator_->LoadArticulatorRules(kBuiltInArticulatorRules, kBuiltInArticulatorRulesLength);
    LoadArticulation();
}

void document_settings::OnArticulatorExternal() {
    if (external_art.empty()) return;
    current_articulator = external_art;
    host_.profile->WriteString(kSection, "current_articulator", current_articulator);
    LoadArticulation();
}

void document_settings::OnArticulatorChoose() {
    FileDialogRequest request;
    request.filter = "Articulation Files (*.txt)|*.txt||";
    request.open = true;
    request.initialPath = external_art;
    const std::optional<std::string> chosen = host_.prompts->ChooseFile(request);
    if (!chosen) return;
    external_art = *chosen;
    current_articulator = external_art;
    host_.profile->WriteString(kSection, "external_art", external_art);
    host_.profile->WriteString(kSection, "current_articulator", current_articulator);
    LoadArticulation();
}

CommandState document_settings::UpdateArticulatorExternal() const {
    if (external_art.empty()) return {false, false, "<no external file>"};
    return {true, current_articulator == external_art, external_art};
}

// ---- the commands by id ----

namespace {

struct settings_command {
    int id;
    void (document_settings::*run)();
    CommandState (*update)(document_settings&);
};

const settings_command kSettingsCommands[] = {
    {cmd::SubPhonemeEnergies, &document_settings::OnToggleEnergy, [](document_settings& s) { return s.UpdateEnergy(); }},
    {cmd::UseLanguageModel, &document_settings::OnToggleLanguageModel,
     [](document_settings& s) { return s.UpdateLanguageModel(); }},
    {cmd::LipsyncEntireFile, &document_settings::OnToggleEntireFile,
     [](document_settings& s) { return s.UpdateEntireFile(); }},
    {cmd::SecondChannel, &document_settings::OnToggleSecondChannel,
     [](document_settings& s) { return s.UpdateSecondChannel(); }},
    {cmd::UsePhnConstraints, &document_settings::OnTogglePhnConstraints,
     [](document_settings& s) { return s.UpdatePhnConstraints(); }},
    {cmd::Smoothing, &document_settings::OnToggleSmoothing, [](document_settings& s) { return s.UpdateSmoothing(); }},
    {cmd::ArticulatorDefault, &document_settings::OnArticulatorDefault,
     [](document_settings& s) { return s.UpdateArticulatorDefault(); }},
    {cmd::ArticulatorExternal, &document_settings::OnArticulatorExternal,
     [](document_settings& s) { return s.UpdateArticulatorExternal(); }},
    {cmd::ArticulatorChoose, &document_settings::OnArticulatorChoose,
     [](document_settings&) { return CommandState{}; }},
};

const settings_command* Find(int id) {
    for (const settings_command& c : kSettingsCommands)
        if (c.id == id) return &c;
    return nullptr;
}

}  // namespace

bool IsSettingsCommand(int id) { return Find(id) != nullptr; }

CommandState UpdateSettingsCommand(document_settings& settings, int id) {
    const settings_command* c = Find(id);
    return c ? c->update(settings) : CommandState{false, false, {}};
}

bool RunSettingsCommand(document_settings& settings, int id) {
    const settings_command* c = Find(id);
    if (!c) return false;
    (settings.*c->run)();
    return true;
}
