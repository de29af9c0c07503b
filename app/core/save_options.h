// What a saved results file holds and the articulator's frame rate, as the preferences keep them
// in the profile (section "UI"); the document's save takes its writer flags from here.
// User-interface thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class IProfileStore;

inline constexpr const char* kKeySavePhnVis = "zuvo_phn_vis";
inline constexpr const char* kKeySaveText = "zuvo_text";
// "Save Link To Audio File" once shared "zuvo_text" and so decided the text switch too.
inline constexpr const char* kKeySaveAudioLink = "zuvo_audio_link";
inline constexpr const char* kKeySavePhnEnv = "zuvo_phn_env";
inline constexpr const char* kKeySavePhnEnvX = "zuvo_phn_env_X";
inline constexpr const char* kKeyArticulatorFrameRate = "articulator_frame_rate";

inline constexpr const char* kTextFrameRateRange = "Please Select an FPS between 0 (default) and 1000";
constexpr int kMaxPreferredFrameRate = 1000;

struct save_options {
    bool phn_vis = true;     // articulation keys ("phn_vis")
    bool text = true;        // the script block
    bool audio_link = true;  // the path of the recording
    bool phn_env = false;    // envelopes ("phn_env")
    bool phn_env_x = false;  // also the silence envelopes labelled "x"
    int frame_rate = 0;      // 0: the articulation file's own
    bool operator==(const save_options&) const = default;
};

save_options ReadSaveOptions(const IProfileStore& profile);
void WriteSaveOptions(IProfileStore& profile, const save_options& options);

// The results-file writer's flags (sync_write_flags) for the options: the markers always, the
// optional sections as chosen. The audio link is not a flag: the saver leaves the path out.
uint32_t SaveWriteFlags(const save_options& options);

// The Output Window line after a save to path that left out count envelope records (count > 0),
// naming the preference that left them out.
std::string EnvelopesLeftOutLine(size_t count, const save_options& options, const std::string& path);

// The frame-rate field (digits only) as a number: empty is 0; false for a rate above
// kMaxPreferredFrameRate or text with anything but digits.
bool ParseFrameRateField(const std::string& text, int* rate);
