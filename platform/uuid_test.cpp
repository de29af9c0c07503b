// Identifiers have the text form the actors manager stores and are new on every call.
#include "platform/uuid.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

TEST(Uuid, HasTheGroupedLowerCaseFormAndIsNewEachTime) {
    const std::regex form("[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}");
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        const std::string id = CreateUuidString();
        EXPECT_TRUE(std::regex_match(id, form)) << id;
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 100u);
}
