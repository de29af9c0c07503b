// A document's recognition and articulator settings, kept in the profile, and their menu
// commands: the recognition toggles, the smoothing flag and the articulation rules file. Each
// document has one; the recognition commands read it. Toolkit-free.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/core/command_ids.h"
#include "app/core/command_state.h"
#include "app/core/document_host.h"

class CPhonemeMixtureArticulator;

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
    // Follows the range list first: the user may have changed it since.
    CommandState UpdateEntireFile();
    CommandState UpdateSecondChannel() const { return {true, second_channel, {}}; }
    CommandState UpdatePhnConstraints() const { return {true, UsePhnConstraints, {}}; }
    CommandState UpdateSmoothing() const { return {true, (ArtFlags & 1) != 0, {}}; }
    // Takes the range list's choice and keeps it in the profile.
    void SyncLipsyncEntireFile();

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

    document_host host_;
    CPhonemeMixtureArticulator* articulator_ = nullptr;
    std::function<void(const std::string&)> log_;
};

// The settings' menu commands by id.
inline constexpr int kSettingsCommandIds[] = {
    cmd::SubPhonemeEnergies, cmd::UseLanguageModel, cmd::LipsyncEntireFile,   cmd::SecondChannel,     cmd::UsePhnConstraints,
    cmd::Smoothing,          cmd::ArticulatorDefault, cmd::ArticulatorExternal, cmd::ArticulatorChoose};
bool IsSettingsCommand(int id);
CommandState UpdateSettingsCommand(document_settings& settings, int id);
// Runs a settings command; false for an id that is not one.
bool RunSettingsCommand(document_settings& settings, int id);
