// The name proposed for a compiled pack and the refusal to write it over the character's files.
#include "app/core/compiled_pack_target.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

namespace {

TEST(CompiledPackTarget, ProposesThePackBesideTheCharacterFile) {
    EXPECT_EQ(ProposedPackPath("/home/u/chars/mychar.txt"), "/home/u/chars/mychar.zcpk");
    EXPECT_EQ(ProposedPackPath("/home/u/my.char.txt"), "/home/u/my.char.zcpk");
    EXPECT_EQ(ProposedPackPath("/home/u/mychar"), "/home/u/mychar.zcpk");
}

TEST(CompiledPackTarget, RefusesEveryFileTheCharacterIsMadeFrom) {
    char pattern[] = "/tmp/murmurex_packtarget_XXXXXX";
    const std::string dir = std::string(::mkdtemp(pattern)) + "/";
    std::filesystem::create_directories(dir + "sub");
    for (const char* f : {"mychar.txt", "head.x", "sub/skin.tga", "other.zcpk"}) std::ofstream(dir + f) << "x";
    std::filesystem::create_symlink(dir + "head.x", dir + "link.x");
    std::filesystem::create_hard_link(dir + "sub/skin.tga", dir + "hard.tga");
    const std::string character = dir + "mychar.txt";
    const std::vector<std::string> sources = {dir + "head.x", dir + "sub/skin.tga", dir + "removed.x"};
    const struct {
        std::string target;
        std::string conflict;
    } cases[] = {
        {dir + "mychar.txt", character},
        {dir + "sub/../mychar.txt", character},
        {dir + "./head.x", dir + "head.x"},
        {dir + "link.x", dir + "head.x"},
        {dir + "hard.tga", dir + "sub/skin.tga"},
        {dir + "removed.x", dir + "removed.x"},  // gone since loading, still the character's name
        {dir + "mychar.zcpk", ""},
        {dir + "other.zcpk", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(PackTargetConflict(c.target, character, sources), c.conflict) << c.target;
    EXPECT_NE(PackOverSourceMessage(dir + "head.x").find(dir + "head.x"), std::string::npos);
    std::filesystem::remove_all(dir);
}

}  // namespace
