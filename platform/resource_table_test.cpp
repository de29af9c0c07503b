// The embedded resource table: entries from several embedding calls, by name and by id.
#include "platform/resource_table.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string FileBytes(const char* name) {
    std::ifstream in(std::string(MURMUREX_TESTDATA_DIR) + "/resources/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string AsString(const ResourceBytes& r) { return std::string(reinterpret_cast<const char*>(r.data), r.size); }

}  // namespace

TEST(ResourceTable, FindsEntriesOfEveryEmbeddingCall) {
    EXPECT_GE(EmbeddedResourceCount(), 3u);
    const ResourceBytes greeting = FindEmbeddedResource("TESTDATA", "GREETING");
    ASSERT_NE(greeting.data, nullptr);
    EXPECT_EQ(AsString(greeting), FileBytes("greeting.txt"));
    EXPECT_EQ(greeting.data[greeting.size], '\0');  // text resources read as strings

    const ResourceBytes bytes = FindEmbeddedResourceById("TESTDATA", 216);
    ASSERT_NE(bytes.data, nullptr);
    EXPECT_EQ(AsString(bytes), FileBytes("bytes.bin"));
}

TEST(ResourceTable, KeysMatchExactlyByTypeNameAndId) {
    // The same name under another type is another resource.
    EXPECT_EQ(AsString(FindEmbeddedResource("OTHER", "GREETING")), FileBytes("bytes.bin"));
    const struct {
        const char* type;
        const char* name;
    } missing[] = {{"TESTDATA", "greeting"}, {"testdata", "GREETING"}, {"TESTDATA", "216"},
                   {"TESTDATA", "GREET"},    {"BLAH", "GREETING"},     {nullptr, "GREETING"}};
    for (const auto& m : missing) {
        const ResourceBytes r = FindEmbeddedResource(m.type, m.name);
        EXPECT_EQ(r.data, nullptr) << (m.type ? m.type : "(null)") << "/" << m.name;
        EXPECT_EQ(r.size, 0u);
    }
    EXPECT_EQ(FindEmbeddedResource("TESTDATA", nullptr).data, nullptr);
    EXPECT_EQ(FindEmbeddedResourceById("TESTDATA", 217).data, nullptr);
    EXPECT_EQ(FindEmbeddedResourceById("OTHER", 216).data, nullptr);
}
