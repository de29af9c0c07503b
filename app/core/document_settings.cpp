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

void document_settings::WriteProfileString(const char* key, const std::string& value) {
    host_.profile->WriteString(kSection, key, value);
}

void document_settings::OnChooseBuiltInModel(const std::string& resource) {
    model_uri = resource;
    WriteProfileString("model_uri", model_uri);
}

void document_settings::OnModelExternal() {
    if (external_model.empty()) return;
    model_uri = external_model;
    WriteProfileString("model_uri", model_uri);
}

CommandState document_settings::UpdateModelExternal() const {
    if (external_model.empty()) return {false, false, kTextNoExternalFile};
    return {true, model_uri == external_model, external_model};
}

bool document_settings::ChooseFileInto(const char* filter, std::string* path, const char* key) {
    FileDialogRequest request;
    request.filter = filter;
    request.open = true;
    request.initialPath = *path;
    const std::optional<std::string> chosen = host_.prompts->ChooseFile(request);
    if (!chosen) return false;
    *path = *chosen;
    WriteProfileString(key, *path);
    return true;
}

void document_settings::OnChooseModelFile() {
    if (!ChooseFileInto("Model Files (*.hmm)|*.hmm||", &external_model, "external_model")) return;
    model_uri = external_model;
    WriteProfileString("model_uri", model_uri);
}

void document_settings::OnSelectLanguageModelFile() {
    if (!ChooseFileInto("Language Model Files (*.trig)|*.trig||", &TrigramFile, "TrigramFile")) return;
    UseTrigram = true;
    WriteProfileFlag("UseTrigram", UseTrigram);
}

void document_settings::OnSelectConstraintsFile() {
    if (!ChooseFileInto("Phoneme Constraints Rule Files (*.txt)|*.txt||", &PhnConstraintsFile, "PhnConstraintsFile"))
        return;
    UsePhnConstraints = true;
    WriteProfileFlag("UsePhnConstraints", UsePhnConstraints);
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
    // Taken the way a recognition run takes it: a flag that followed the list without being
    // stored would leave the next run nothing to store.
    SyncLipsyncEntireFile();
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

void document_settings::StoreRangeChoice(IProfileStore& profile, int selection) {
    if (selection >= 0) profile.WriteInt(kSection, "LipsyncEntireFile", selection == 0 ? 1 : 0);
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
            // The engine's text for 12 speaks of WAV files; here it is the rules that do not read.
            const std::string what =
                code == kErrBadData ? "a rule in it does not read as an articulator rule" : GetErrorMessage(code);
            if (code != 0) error = "Error: " + current_articulator + ": " + what + "\n";
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
    WriteProfileString("current_articulator", current_articulator);
    // An empty name loads nothing: without this the rules of the file chosen before would stay.
    if (articulator_) articulator_->LoadArticulatorRules(kBuiltInArticulatorRules, kBuiltInArticulatorRulesLength);
    LoadArticulation();
}

void document_settings::OnArticulatorExternal() {
    if (external_art.empty()) return;
    current_articulator = external_art;
    WriteProfileString("current_articulator", current_articulator);
    LoadArticulation();
}

void document_settings::OnArticulatorChoose() {
    if (!ChooseFileInto("Articulation Files (*.txt)|*.txt||", &external_art, "external_art")) return;
    current_articulator = external_art;
    WriteProfileString("current_articulator", current_articulator);
    LoadArticulation();
}

CommandState document_settings::UpdateArticulatorExternal() const {
    if (external_art.empty()) return {false, false, kTextNoExternalFile};
    return {true, current_articulator == external_art, external_art};
}

// ---- the rows ----

namespace {

// A row whose run is a member and whose state is a const member of the settings.
command_row<document_settings> Row(int id, void (document_settings::*run)(),
                                   CommandState (document_settings::*state)() const = nullptr,
                                   unsigned needs = kNeedDocument) {
    command_row<document_settings> row{id, [run](document_settings& s) { (s.*run)(); }, {}, needs};
    if (state) row.state = [state](document_settings& s) { return (s.*state)(); };
    return row;
}

std::vector<command_row<document_settings>> MakeRows() {
    using S = document_settings;
    std::vector<command_row<S>> rows = {
        Row(cmd::SubPhonemeEnergies, &S::OnToggleEnergy, &S::UpdateEnergy),
        Row(cmd::UseLanguageModel, &S::OnToggleLanguageModel, &S::UpdateLanguageModel),
        // Follows the range list, which may have changed since: not a const state.
        {cmd::LipsyncEntireFile, [](S& s) { s.OnToggleEntireFile(); }, [](S& s) { return s.UpdateEntireFile(); },
         kNeedDocument},
        Row(cmd::SecondChannel, &S::OnToggleSecondChannel, &S::UpdateSecondChannel),
        Row(cmd::UsePhnConstraints, &S::OnTogglePhnConstraints, &S::UpdatePhnConstraints),
        Row(cmd::Smoothing, &S::OnToggleSmoothing, &S::UpdateSmoothing),
        Row(cmd::ArticulatorDefault, &S::OnArticulatorDefault, &S::UpdateArticulatorDefault),
        Row(cmd::ArticulatorExternal, &S::OnArticulatorExternal, &S::UpdateArticulatorExternal),
        Row(cmd::ArticulatorChoose, &S::OnArticulatorChoose),
        // What a running recognition reads stays put until it ends.
        Row(cmd::ModelExternal, &S::OnModelExternal, &S::UpdateModelExternal, kNeedDocument | kNeedIdle),
        Row(cmd::ChooseModel, &S::OnChooseModelFile, nullptr, kNeedDocument | kNeedIdle),
        Row(cmd::SelectLanguageModelFile, &S::OnSelectLanguageModelFile, nullptr, kNeedDocument | kNeedIdle),
        Row(cmd::SelectConstraintsFile, &S::OnSelectConstraintsFile, nullptr, kNeedDocument | kNeedIdle),
    };
    for (const built_in_model& model : kBuiltInModels) {
        const std::string resource = model.resource;
        rows.push_back({model.id, [resource](S& s) { s.OnChooseBuiltInModel(resource); },
                        [resource](S& s) { return s.UpdateBuiltInModel(resource); }, kNeedDocument | kNeedIdle});
    }
    return rows;
}

}  // namespace

const std::vector<command_row<document_settings>>& DocumentSettingsRows() {
    static const std::vector<command_row<document_settings>> rows = MakeRows();
    return rows;
}
