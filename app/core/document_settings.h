// A document's recognition and articulator settings, kept in the profile, and their menu
// commands: the recognition toggles, the acoustic model and the files of the language model and
// the phone constraints, the smoothing flag and the articulation rules file. Each document has
// one; the recognition commands read it. Every key of these settings is written here and
// nowhere else. Toolkit-free.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/core/command_ids.h"
#include "app/core/command_rows.h"
#include "app/core/command_state.h"
#include "app/core/document_host.h"

class CPhonemeMixtureArticulator;
class IProfileStore;

// User-interface thread only.
class document_settings {
public:
    // Reads the settings from the host's profile; a range list that exists is set to match.
    explicit document_settings(const document_host& host);
    document_settings(const document_settings&) = delete;
    document_settings& operator=(const document_settings&) = delete;

    // The articulator the smoothing flag and the rules drive (may be null) and where the rules'
    // errors are written.
    void BindArticulator(CPhonemeMixtureArticulator* articulator, std::function<void(const std::string&)> log);

    bool LipsyncwithEnergy = false;
    bool LipsyncEntireFile = true;
    std::string TrigramFile;
    bool UseTrigram = true;
    uint32_t ArtFlags = 0;
    bool UsePhnConstraints = false;
    std::string PhnConstraintsFile;
    std::string model_uri = "GENERIC_HMM";
    std::string external_model;
    std::string current_articulator;
    std::string external_art;
    bool second_channel = false;  // not kept: each document starts on the main channel
    // Told after the toggle: the document shows or hides the channel's band. May be empty.
    std::function<void()> second_channel_changed;

    void OnToggleEnergy();
    void OnToggleLanguageModel();
    void OnToggleEntireFile();
    void OnToggleSecondChannel();
    void OnTogglePhnConstraints();
    void OnToggleSmoothing();
    CommandState UpdateEnergy() const { return {true, LipsyncwithEnergy, {}}; }
    CommandState UpdateLanguageModel() const { return {true, UseTrigram, {}}; }
    // Takes the range list's choice first (SyncLipsyncEntireFile): the user may have changed it since.
    CommandState UpdateEntireFile();
    CommandState UpdateSecondChannel() const { return {true, second_channel, {}}; }
    CommandState UpdatePhnConstraints() const { return {true, UsePhnConstraints, {}}; }
    CommandState UpdateSmoothing() const { return {true, (ArtFlags & 1) != 0, {}}; }
    // Takes the range list's choice and keeps it in the profile.
    void SyncLipsyncEntireFile();
    // The range list's choice (0 entire file, 1 selection) made while no document is open: kept
    // for the next document, which sets the list from it.
    static void StoreRangeChoice(IProfileStore& profile, int selection);

    // The acoustic model menu: a built-in model by resource name, the external file chosen last,
    // a new file; the language model's and the phone constraints' files.
    void OnChooseBuiltInModel(const std::string& resource);
    CommandState UpdateBuiltInModel(const std::string& resource) const { return {true, model_uri == resource, {}}; }
    void OnModelExternal();
    CommandState UpdateModelExternal() const;
    void OnChooseModelFile();
    void OnSelectLanguageModelFile();
    void OnSelectConstraintsFile();

    // Choices for this document only, when what the user chose can't be used now: the profile
    // keeps the user's choice, and the next document reads it again.
    void UseModelForThisDocument(const std::string& resource) { model_uri = resource; }
    void TurnOffLanguageModelForThisDocument() { UseTrigram = false; }

    void OnArticulatorDefault();
    void OnArticulatorExternal();
    void OnArticulatorChoose();
    CommandState UpdateArticulatorDefault() const { return {true, current_articulator.empty(), {}}; }
    CommandState UpdateArticulatorExternal() const;
    // Loads the chosen rules file (none: the rules already loaded stay) and the flags.
    void LoadArticulation();

    const document_host& host() const { return host_; }

private:
    void WriteProfileFlag(const char* key, bool value);
    void WriteProfileString(const char* key, const std::string& value);
    // Asks for a file starting at *path; on OK *path becomes the choice, kept under key.
    bool ChooseFileInto(const char* filter, std::string* path, const char* key);

    document_host host_;
    CPhonemeMixtureArticulator* articulator_ = nullptr;
    std::function<void(const std::string&)> log_;
};

// The built-in acoustic models of the model menu, in menu order (the command table has the texts).
struct built_in_model {
    int id;
    const char* resource;
};
inline constexpr built_in_model kBuiltInModels[] = {
    {cmd::ModelGeneric, "GENERIC_HMM"},
    {cmd::ModelMale, "MALE_HMM"},
    {cmd::ModelFemale, "FEMALE_HMM"},
    {cmd::ModelFast, "FAST_HMM"},
};
inline constexpr const char* kTextNoExternalFile = "<no external file>";

// The settings' commands, over the active document's settings.
const std::vector<command_row<document_settings>>& DocumentSettingsRows();
