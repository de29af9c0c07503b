// The texture images of the high-detail built-in head, painted from noise: skin, lips, hair, gums
// (JPEG) and the eye and teeth (Targa). Each is near white where it only adds grain, since the
// materials carry the colours.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct head_texture_file {
    std::string name;
    std::vector<uint8_t> bytes;
};

std::vector<head_texture_file> MakeHeadTextures();
