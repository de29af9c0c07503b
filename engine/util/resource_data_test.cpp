// Resource loading by name and id, with and without a copy.
#include "engine/util/resource_data.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/util/mem_alloc.h"

TEST(ResourceData, LoadsByNameByIdAndByIdName) {
    int size = 0;
    const auto* text = static_cast<const char*>(LoadResourceData(nullptr, "TESTDATA", "GREETING", &size, false));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text, static_cast<std::size_t>(size)), "Hello from the resource table.\n");

    int idSize = 0, nameSize = 0;
    const void* a = LoadResourceDataById(nullptr, "TESTDATA", 216, &idSize, false);
    const void* b = LoadResourceData(nullptr, "TESTDATA", "#216", &nameSize, false);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(idSize, 1024);
    EXPECT_EQ(nameSize, 1024);
    EXPECT_EQ(static_cast<const unsigned char*>(a)[255], 255);
}

TEST(ResourceData, CopyIsAnOwnedDuplicate) {
    int size = 0;
    const void* original = LoadResourceDataById(nullptr, "TESTDATA", 216, &size, false);
    void* copy = const_cast<void*>(LoadResourceDataById(nullptr, "TESTDATA", 216, &size, true));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, original);
    EXPECT_EQ(std::memcmp(copy, original, static_cast<std::size_t>(size)), 0);
    static_cast<unsigned char*>(copy)[0] = 99;  // writable, and the table is untouched
    EXPECT_EQ(static_cast<const unsigned char*>(original)[0], 0);
    MemFree(copy);
}

TEST(ResourceData, MissingResourceGivesNullAndLeavesSize) {
    const struct {
        const char* type;
        const char* name;
    } cases[] = {{"TESTDATA", "NOPE"}, {"BLAH", "GREETING"}, {"TESTDATA", "#217"}, {"TESTDATA", "#"},
                 {"TESTDATA", "#21x"}, {"TESTDATA", "#70000"}, {nullptr, "GREETING"}, {"TESTDATA", nullptr}};
    for (const auto& c : cases) {
        int size = 42;
        EXPECT_EQ(LoadResourceData(nullptr, c.type, c.name, &size, true), nullptr) << (c.name ? c.name : "(null)");
        EXPECT_EQ(size, 42);
    }
    int size = 42;
    EXPECT_EQ(LoadResourceDataById(nullptr, "TESTDATA", 217, &size, false), nullptr);
    EXPECT_EQ(size, 42);
}
