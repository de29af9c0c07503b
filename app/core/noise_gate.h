// The noise gate: loudness of the document's in-memory recording per 10 ms block, a proposed
// cut-off, and silencing the stretches that stay below it long enough, as one undoable step.
// Only the in-memory copy changes; the recording's file is never written.
// User-interface thread only.
#pragma once

#include <string>
#include <vector>

class CMemoryPCMStream;
class CPhonarcDoc;
class IMemoryPCMStream;

inline constexpr const char* kTextNoiseGate = "Noise Gate";
inline constexpr const char* kTextGateRange = "Please select a gate value between -5 and -96 decibals";

constexpr int kGateLowest = -96;        // the lowest cut-off accepted, and the floor of a proposal
constexpr int kGateHighest = 0;
constexpr int kGateNoAudioProposal = -40;

// A stretch of consecutive blocks that are all loud (level >= cut-off) or all quiet.
struct gate_run {
    int first = 0;
    int count = 0;
    bool loud = false;
    bool operator==(const gate_run&) const = default;
};

// Run lengths in blocks: pauses shorter than short_pause are kept, sounds shorter than
// short_sound between pauses of at least long_pause are gated.
struct gate_lengths {
    int short_pause = 12;   // 125 ms
    int short_sound = 15;   // 150 ms
    int long_pause = 22;    // 220 ms
};

// One level in dB per 10 ms block, from the peak of channel 0 in 16-bit units (20 log10 of
// peak / 32768); a silent block is minus infinity.
std::vector<float> MeasureGateLevels(IMemoryPCMStream& audio);
// The same for a document's audio; none without audio.
std::vector<float> MeasureGateLevels(CMemoryPCMStream* audio);

// The level below which about 2/7 of the blocks lie, as a whole number of dB; never below
// kGateLowest (a silent block's minus infinity has no integer), kGateNoAudioProposal without blocks.
int ProposeGateCutoff(const std::vector<float>& levels);

// The cut-off field as a whole number; false (the user is told kTextGateRange) for text that is
// not one or a value outside kGateLowest..kGateHighest.
bool ParseGateCutoff(const std::string& text, int* cutoff);

// The block lengths for the audio's rate.
gate_lengths GateLengthsFor(IMemoryPCMStream& audio);

// The runs after the gate's rules: short pauses join the sound around them, short sounds between
// long pauses become pauses; neighbouring runs of one kind are joined.
std::vector<gate_run> FindGateRuns(const std::vector<float>& levels, int cutoff, const gate_lengths& lengths);

// Silences frames [start, end) in 10 ms chunks: the first chunk fades out, a chunk that reaches
// end fades in, the rest become zeros. A range of one chunk only fades out.
void SilenceFrames(IMemoryPCMStream& audio, int start, int end);

// Silences the quiet runs of the audio; a pause after the first 50 ms keeps its first 80 ms so
// the sound before it is not cut short.
void SilenceQuietRuns(IMemoryPCMStream& audio, const std::vector<gate_run>& runs);

// Gates the document's audio with levels measured from it, as the undoable "Noise Gate". False
// (the user told why) when the copies cannot be made; nothing changes then.
bool ApplyNoiseGate(CPhonarcDoc& doc, const std::vector<float>& levels, int cutoff);
