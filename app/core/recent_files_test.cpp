// The recent-file list: most recent first, no repeats, at most the given count, all slots written.
#include "app/core/recent_files.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/core/profile_store.h"

TEST(RecentFiles, MostRecentFirstOnceAndCapped) {
    std::vector<std::string> list;
    for (int i = 0; i < 20; ++i) AddRecentFile(&list, "/f" + std::to_string(i), 16);
    ASSERT_EQ(list.size(), 16u);
    EXPECT_EQ(list.front(), "/f19");
    EXPECT_EQ(list.back(), "/f4");
    AddRecentFile(&list, "/f10", 16);
    EXPECT_EQ(list.front(), "/f10");
    EXPECT_EQ(std::count(list.begin(), list.end(), "/f10"), 1);
    EXPECT_EQ(list.size(), 16u);

    CMemoryProfileStore profile;
    profile.WriteString("Recent File List", "File3", "/stale");
    WriteRecentFiles(profile, {"/a", "/b"}, 16);
    EXPECT_EQ(profile.GetString("Recent File List", "File1", ""), "/a");
    EXPECT_EQ(profile.GetString("Recent File List", "File3", "x"), "");  // a shorter list clears the rest
    EXPECT_EQ(ReadRecentFiles(profile, 16), (std::vector<std::string>{"/a", "/b"}));
    profile.WriteString("Recent File List", "File5", "/gap");  // an empty slot before it is skipped
    EXPECT_EQ(ReadRecentFiles(profile, 16), (std::vector<std::string>{"/a", "/b", "/gap"}));
}
