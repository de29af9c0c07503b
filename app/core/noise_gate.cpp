// The noise gate's measuring, rules and silencing; see noise_gate.h.
#include "app/core/noise_gate.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>

#include "app/core/document_commands.h"
#include "app/core/phonarc_doc.h"
#include "app/core/prompts.h"
#include "engine/api/error_messages.h"
#include "engine/audio/memory_pcm_stream.h"
#include "model/edit_actions.h"

namespace {

constexpr int kBlockMs = 10;
constexpr int kKeptPauseStartMs = 80;
constexpr int kKeptPauseAfterBlocks = 5;

int BlockFrames(IMemoryPCMStream& audio) { return audio.MsToFrames(kBlockMs); }

// Joins neighbouring runs of one kind.
void JoinRuns(std::vector<gate_run>* runs) {
    std::vector<gate_run> joined;
    for (const gate_run& r : *runs) {
        if (!joined.empty() && joined.back().loud == r.loud) joined.back().count += r.count;
        else joined.push_back(r);
    }
    *runs = std::move(joined);
}

}  // namespace

std::vector<float> MeasureGateLevels(IMemoryPCMStream& audio) {
    std::vector<float> levels;
    const int block = BlockFrames(audio);
    const int frames = audio.GetFrameCount();
    if (block <= 0) return levels;
    std::vector<float> buffer(static_cast<size_t>(block));
    for (int pos = 0; pos < frames; pos += block) {
        int count = block;
        audio.ReadFramesFloat(buffer.data(), pos, &count, 0);
        if (count <= 0) break;
        float peak = 0.0f;
        for (int i = 0; i < count; ++i) peak = std::max(peak, std::fabs(buffer[static_cast<size_t>(i)]));
        levels.push_back(20.0f * std::log10(peak * 3.0517578125e-05f));
    }
    return levels;
}

std::vector<float> MeasureGateLevels(CMemoryPCMStream* audio) {
    if (audio == nullptr) return {};
    return MeasureGateLevels(*static_cast<IMemoryPCMStream*>(audio));
}

int ProposeGateCutoff(const std::vector<float>& levels) {
    std::vector<float> sorted = levels;
    std::sort(sorted.begin(), sorted.end());
    const auto index = static_cast<size_t>(static_cast<float>(sorted.size()) * 0.2857143f);
    if (index >= sorted.size()) return kGateNoAudioProposal;
    const float level = sorted[index];
    // Minus infinity (a silent block) has no integer value.
    if (!(level >= static_cast<float>(kGateLowest))) return kGateLowest;
    return std::min(static_cast<int>(level), kGateHighest);
}

bool ParseGateCutoff(const std::string& text, int* cutoff) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    const size_t digits = i;
    long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        value = std::min(value * 10 + (text[i] - '0'), 1000L);  // far outside the range is enough
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    // Text that is no number would otherwise read as 0 and silence almost everything.
    if (i == digits || i != text.size()) return false;
    if (negative) value = -value;
    if (value < kGateLowest || value > kGateHighest) return false;
    *cutoff = static_cast<int>(value);
    return true;
}

gate_lengths GateLengthsFor(IMemoryPCMStream& audio) {
    const int block = BlockFrames(audio);
    if (block <= 0) return {};
    return {audio.MsToFrames(125) / block, audio.MsToFrames(150) / block, audio.MsToFrames(220) / block};
}

std::vector<gate_run> FindGateRuns(const std::vector<float>& levels, int cutoff, const gate_lengths& lengths) {
    std::vector<gate_run> runs;
    const auto g = static_cast<float>(cutoff);
    for (size_t i = 0; i < levels.size(); ++i) {
        const bool loud = levels[i] >= g;
        if (!runs.empty() && runs.back().loud == loud) ++runs.back().count;
        else runs.push_back({static_cast<int>(i), 1, loud});
    }
    // A short pause belongs to the speech around it.
    for (gate_run& r : runs)
        if (!r.loud && r.count < lengths.short_pause) r.loud = true;
    JoinRuns(&runs);
    // A short sound with long pauses on both sides is a click.
    const auto long_pause = [&](size_t i) { return !runs[i].loud && runs[i].count >= lengths.long_pause; };
    for (size_t i = 0; i < runs.size(); ++i) {
        gate_run& r = runs[i];
        if (!r.loud || r.count >= lengths.short_sound) continue;
        const bool after = i + 1 == runs.size() || long_pause(i + 1);
        const bool before = i < 2 || long_pause(i - 1);
        if (after && before) r.loud = false;
    }
    JoinRuns(&runs);
    return runs;
}

void SilenceFrames(IMemoryPCMStream& audio, int start, int end) {
    const int chunk = BlockFrames(audio);
    if (chunk <= 0 || start < 0) return;
    std::vector<float> buffer(static_cast<size_t>(chunk));
    bool first = true;
    for (int pos = start; pos < end;) {
        int n = std::min(chunk, end - pos);
        audio.ReadFramesFloat(buffer.data(), pos, &n, 0);
        if (n <= 0) break;
        const auto fn = static_cast<float>(n);
        const bool fade_in = !first && pos + n >= end;
        for (int k = 0; k < n; ++k) {
            float& s = buffer[static_cast<size_t>(k)];
            // Multiplied before divided, so a whole fraction of a sample stays whole.
            if (first) s = s * static_cast<float>(n - k) / fn;
            else if (fade_in) s = s * static_cast<float>(k) / fn;
            else s = 0.0f;
        }
        audio.WriteFramesFromFloat(buffer.data(), pos, n);
        first = false;
        pos += n;
    }
}

void SilenceQuietRuns(IMemoryPCMStream& audio, const std::vector<gate_run>& runs) {
    const int block = BlockFrames(audio);
    const int kept = audio.MsToFrames(kKeptPauseStartMs);
    for (const gate_run& r : runs) {
        if (r.loud) continue;
        int64_t start = int64_t{r.first} * block;
        int64_t length = int64_t{r.count} * block;
        if (r.first > kKeptPauseAfterBlocks) {
            start += kept;
            length -= kept;
        }
        if (length <= 0) continue;
        const int64_t end = std::min<int64_t>(start + length, audio.GetFrameCount());
        if (start >= end) continue;
        SilenceFrames(audio, static_cast<int>(start), static_cast<int>(end));
    }
}

bool ApplyNoiseGate(CPhonarcDoc& doc, const std::vector<float>& levels, int cutoff) {
    CMemoryPCMStream* audio = doc.audio();
    if (!audio) return false;
    std::unique_ptr<audio_samples> before, after;
    CMemoryPCMStream* before_copy = audio->Clone();
    if (before_copy) before = std::make_unique<pcm_stream_samples<CMemoryPCMStream>>(before_copy);
    CMemoryPCMStream* after_copy = before_copy ? audio->Clone() : nullptr;
    if (after_copy) after = std::make_unique<pcm_stream_samples<CMemoryPCMStream>>(after_copy);
    if (!before || !after) {
        doc.host().prompts->MessageBox(std::string(kTextOperationError) + GetErrorMessage(1),
                                       PromptButtons::Ok);
        return false;
    }
    SilenceQuietRuns(*after_copy, FindGateRuns(levels, cutoff, GateLengthsFor(*after_copy)));
    // The history owns the action from its Do on.
    (new audio_filter_action(kTextNoiseGate, &doc, std::move(before), std::move(after)))->Do();
    return true;
}
