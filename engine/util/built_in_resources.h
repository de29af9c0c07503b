// The names of the program's built-in data in the resource table: its type, the acoustic models,
// the dictionary and the phone trigram model. cmake/MurmurexResources.cmake reads the type and the
// ids from this file, so the build embeds what the code looks up.
#pragma once

constexpr const char* kBuiltInResourceType = "BLAH";

constexpr const char* kGenericModelResource = "GENERIC_HMM";
constexpr const char* kMaleModelResource = "MALE_HMM";
constexpr const char* kFemaleModelResource = "FEMALE_HMM";
constexpr const char* kFastModelResource = "FAST_HMM";

constexpr int kDictionaryResourceId = 165;
constexpr int kTrigramResourceId = 180;

// The phone-constraint rules used when the user chose none: 78 characters, each line ended by a
// line feed.
constexpr const char* kBuiltInPhoneConstraints =
    "mpbvfZHCHjSHszDHTHtNGgkhynd 180\ngds 240\nrERwUHUWAWIYIHAEAYEYEHlAAAHAOOWOY 350\n";
