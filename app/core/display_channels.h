// The timeline's channel table: the display mask bits, the channel each bit shows in creation
// order, and the two places its switch takes in the Display menus (the menu bar's and the
// margin's pop-up). The timeline lays its bands out from it and the command table builds both
// Display menus from it.
#pragma once

#include <cstdint>

#include "app/core/command_ids.h"

// Display mask bits.
enum : uint32_t {
    kShowWaveform = 0x2,
    kShowSpectrogram = 0x4,
    kShowPhonemesTrack0 = 0x20,
    kShowPhonemes = 0x40,
    kShowLpcError = 0x80,
    kShowLpc = 0x100,
    kShowBox = 0x200,
    kHideBox = 0x400,
    kShowEnergy = 0x800,
    kShowWords = 0x1000,
    kShowPhonemesTrack2 = 0x2000,
    kShowEvents = 0x4000,
    kShowPitch = 0x8000,
    kShowPhonemeEnergy = 0x10000,
    kShowGestures = 0x20000,
    kShowFlashGestures = 0x40000,
};

// A row's height when its bit is a switch with no channel of its own (the pitch estimate, which
// the spectrogram draws).
constexpr int kNoChannel = -1;

// One row of the channel table, in creation order.
struct ChannelSpec {
    uint32_t bit;
    int command;           // the command id that toggles it
    int height;            // pixels; 0 = flexible; kNoChannel
    int track;             // result track shown, -1 for none
    int menuPlace;         // 1-based place in the menu bar's Display menu; 0 = none
    int popupPlace;        // 1-based place in the margin's Display pop-up; 0 = none
};

inline constexpr ChannelSpec kChannelTable[] = {
    {kShowBox, cmd::ShowBox, 90, -1, 0, 0},
    {kShowWaveform, cmd::ShowWaveform, 60, -1, 1, 1},
    {kShowSpectrogram, cmd::ShowSpectrogram, 0, -1, 2, 2},
    {kShowFlashGestures, cmd::ShowFlashGestures, 80, -1, 3, 3},
    {kShowEnergy, cmd::ShowEnergy, 96, -1, 10, 10},
    {kShowPhonemesTrack0, cmd::ShowPhonemesTrack0, 20, 0, 0, 0},
    {kShowPhonemes, cmd::ShowPhonemes, 20, 1, 5, 5},
    {kShowPhonemeEnergy, cmd::ShowPhonemeEnergy, 61, 1, 6, 6},
    {kShowPhonemesTrack2, cmd::ShowPhonemesTrack2, 20, 2, 0, 0},
    {kShowWords, cmd::ShowWords, 20, 1, 7, 7},
    {kShowEvents, cmd::ShowEvents, 20, 1, 8, 9},
    {kShowGestures, cmd::ShowGestures, 20, 1, 9, 8},
    {kShowLpcError, cmd::ShowLpcError, 0, -1, 0, 0},
    {kShowLpc, cmd::ShowLpc, 0, -1, 0, 0},
    {kShowPitch, cmd::ShowPitch, kNoChannel, -1, 4, 4},
};

// How many switches each Display menu shows.
constexpr int DisplayMenuSize(int ChannelSpec::*place) {
    int n = 0;
    for (const ChannelSpec& spec : kChannelTable)
        if (spec.*place > 0) ++n;
    return n;
}
