// Character templates for the tests and benchmarks, built with our own SWF classes: a sprite "head" holding the
// instances "mouth" and "eyes", placed on the main timeline at a horizontal position that tells
// the frames apart (frames with equal positions show equal display lists).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "flash/swf_char.h"
#include "swf/flash_display.h"
#include "swf/flash_movie.h"
#include "swf/flash_shape.h"
#include "swf/flash_sprite.h"
#include "swf/flash_stream.h"

// One labelled run of frames; the label stands on its first frame (no label when empty).
struct template_clip {
    std::string label;
    std::vector<int> positions;
};

inline FDisplayRecord PlacedRecord(uint16_t character, int depth, const char* name, int x) {
    FDisplayRecord r;
    r.flags = kDisplayHasCharacter;
    r.characterId = character;
    r.depth = depth;
    r.name = name;
    r.matrix.translateX = x * 20;
    return r;
}

inline FSWFMovie MakeTemplateMovie(const std::vector<template_clip>& clips, int rate = 12) {
    FSWFMovie movie;
    for (uint16_t id : {1, 2}) {
        FlashTagDefineShape1 shape;
        shape.SetID(id);
        shape.bounds = FlashRect(0, 0, 200, 100);
        movie.AddCharacter(shape);
    }
    FlashTagSprite head;
    head.SetID(10);
    head.frameCount = 1;
    head.timeline.frameCount = 1;
    head.timeline.AddRecord(PlacedRecord(1, 1, "mouth", 0), 0);
    head.timeline.AddRecord(PlacedRecord(2, 2, "eyes", 5), 0);
    movie.AddCharacter(head);

    FTimeline& main = movie.mainTimeline;
    int frame = 0;
    for (const template_clip& clip : clips) {
        if (!clip.label.empty())
            main.frames.emplace(static_cast<uint32_t>(frame), FTimelineFrame(FlashTagLabelFrame(clip.label.c_str())));
        for (int x : clip.positions) main.AddRecord(PlacedRecord(10, 1, "head", x), frame++);
    }
    main.frameCount = frame;

    FlashHeader header;
    header.version = 6;
    header.frame = FlashRect(0, 0, 11000, 8000);
    header.rateInteger = static_cast<uint8_t>(rate);
    header.frameCount = static_cast<uint16_t>(frame);
    movie.SetHeader(header);
    return movie;
}

// Positions first, first + 1, ... for n frames.
inline std::vector<int> Positions(int first, int n) {
    std::vector<int> out;
    for (int i = 0; i < n; ++i) out.push_back(first + i);
    return out;
}

inline zuvo_swf_char MakeTemplate(const std::vector<template_clip>& clips, std::vector<std::string>& errors,
                                  int rate = 12) {
    zuvo_swf_char c;
    c.movie = MakeTemplateMovie(clips, rate);
    c.build(errors);
    return c;
}

inline std::vector<uint8_t> WrittenMovie(FSWFMovie& movie) {
    flash_ostream out;
    movie.Write(out);
    return out.bytes();
}

// Two poses with clips of both kinds and two hookups:
//   0 idle (rest)  1 idle:nod  2 idle:shrug  3 talk (rest)  4 talk:wave
//   5 hookup idle -> talk  6 hookup idle:nod -> talk:wave
// nod starts and ends on idle's first and last pictures, so idle <-> nod need no frames between.
inline std::vector<template_clip> StudioClips() {
    return {
        {"G(idle)", {1, 2, 3, 4, 5, 6}},
        {"G(idle, nod, 500, 1500)", {1, 11, 12, 13, 6}},
        {"G(idle, shrug)", {21, 22, 23, 24}},
        {"G(talk)", {31, 32, 33, 34}},
        {"G(talk, wave, 500, 1500)", {41, 42, 43, 44, 45}},
        {"H(idle, talk)", {51, 52, 53}},
        {"H(idle, nod, talk, wave)", {61, 62, 63}},
    };
}

