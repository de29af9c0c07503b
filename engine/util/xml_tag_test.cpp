// The markup tag parser over complete, unusual and cut-off tags.
#include "engine/util/xml_tag.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

TEST(ParseXmlTag, Table) {
    using Attrs = std::map<std::string, std::string>;
    const struct {
        const char* text;
        bool ok;
        const char* name;
        Attrs attributes;
        int position;
    } cases[] = {
        {"<cut ms = \"1500\"/>", true, "cut", {{"ms", "1500"}}, 18},
        {"<cut ms = \"1500\">", true, "cut", {{"ms", "1500"}}, 17},
        {"say <cut ms=\"20\"/> more", true, "cut", {{"ms", "20"}}, 18},
        {"< pron sym=\" h ax l ow \" >hello", true, "pron", {{"sym", "h ax l ow"}}, 26},
        {"<x a=\"1\" b=\"2\" a=\"3\">", true, "x", {{"a", "3"}, {"b", "2"}}, 21},
        {"<x =\"1\" b=\"2\">", true, "x", {{"b", "2"}}, 14},  // an empty key is dropped
        {"<cut ms=\"15", true, "cut", {}, 11},                // cut off inside the value
        {"<cut ms", true, "cut", {}, 7},
        {"<cut ms=", true, "cut", {}, 8},
        {"no tag here", false, "", {}, 0},
        {"<pause>", false, "", {}, 7},  // the name touches '>'
        {"<pause/>", false, "", {}, 8},
        {"<   ", false, "", {}, 4},
        {"<cut ", false, "", {}, 5},
        {"<cut >", true, "cut", {}, 6},
        {"<cut />", true, "cut", {}, 7},
    };
    for (const auto& c : cases) {
        std::string name;
        Attrs attributes {{"stale", "x"}};
        int position = -1;
        EXPECT_EQ(ParseXmlTag(c.text, name, attributes, position), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(name, c.name) << c.text;
        }
        EXPECT_EQ(attributes, c.attributes) << c.text;
        EXPECT_EQ(position, c.position) << c.text;
    }
}
