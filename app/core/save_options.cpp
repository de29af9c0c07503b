// The saving preferences in the profile; see save_options.h.
#include "app/core/save_options.h"

#include <algorithm>

#include "app/core/profile_store.h"
#include "model/sync_results_file.h"

namespace {
constexpr const char* kSection = "UI";

bool Flag(const IProfileStore& profile, const char* key, bool fallback) {
    return profile.GetInt(kSection, key, fallback ? 1 : 0) != 0;
}
}  // namespace

save_options ReadSaveOptions(const IProfileStore& profile) {
    save_options o;
    o.phn_vis = Flag(profile, kKeySavePhnVis, true);
    o.text = Flag(profile, kKeySaveText, true);
    o.audio_link = Flag(profile, kKeySaveAudioLink, true);
    o.phn_env = Flag(profile, kKeySavePhnEnv, false);
    o.phn_env_x = Flag(profile, kKeySavePhnEnvX, false);
    o.frame_rate = profile.GetInt(kSection, kKeyArticulatorFrameRate, 0);
    return o;
}

void WriteSaveOptions(IProfileStore& profile, const save_options& o) {
    profile.WriteInt(kSection, kKeySavePhnVis, o.phn_vis ? 1 : 0);
    profile.WriteInt(kSection, kKeySaveText, o.text ? 1 : 0);
    profile.WriteInt(kSection, kKeySaveAudioLink, o.audio_link ? 1 : 0);
    profile.WriteInt(kSection, kKeySavePhnEnv, o.phn_env ? 1 : 0);
    profile.WriteInt(kSection, kKeyArticulatorFrameRate, o.frame_rate);
    profile.WriteInt(kSection, kKeySavePhnEnvX, o.phn_env_x ? 1 : 0);
}

uint32_t SaveWriteFlags(const save_options& o) {
    uint32_t flags = kWriteHeader | kWritePhonemes | kWriteWords | kWritePunctuation | kWriteXml | kWriteGestures;
    if (o.phn_vis) flags |= kWriteArticulation;
    if (o.text) flags |= kWriteScript;
    if (o.phn_env) flags |= kWriteEnvelopes;
    if (o.phn_env_x) flags |= kWriteSilenceEnvelopes;
    return flags;
}

std::string EnvelopesLeftOutLine(size_t count, const save_options& o, const std::string& path) {
    // With envelopes saved, only the silence ones can have been left out.
    const std::string what = o.phn_env ? "silence ('x') envelope" : "envelope";
    const std::string box = o.phn_env ? "Save Silence 'X' Envelopes" : "Save Articulation Envelopes";
    return std::to_string(count) + " " + what + (count == 1 ? " record is" : " records are") + " not saved in " + path +
           ": \"" + box + "\" is off in Options > Preferences.\n";
}

bool ParseFrameRateField(const std::string& text, int* rate) {
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = std::min(value * 10 + (c - '0'), kMaxPreferredFrameRate + 1);
    }
    if (value > kMaxPreferredFrameRate) return false;
    *rate = value;
    return true;
}
