// The program folder is the folder of the running test program.
#include "platform/program_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

TEST(ProgramFolder, IsTheAbsoluteFolderOfTheRunningProgramWithoutTrailingSlash) {
    const std::string folder = GetProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.front(), '/');
    EXPECT_NE(folder.back(), '/');
    EXPECT_EQ(::access((folder + "/platform_tests").c_str(), X_OK), 0) << folder;
}
