// Action records, action lists, DoAction and FrameLabel.
#include "swf/flash_actions.h"

#include <gtest/gtest.h>

#include "swf/swf_test_support.h"

TEST(FlashActions, ListsReadAndWriteBack) {
    struct Case {
        std::vector<uint8_t> bytes;
        std::vector<uint16_t> codes;
        std::vector<uint32_t> sizes;
    };
    const Case cases[] = {
        {Bytes({0x00}), {}, {}},
        {Bytes({0x07, 0x00}), {7}, {1}},
        {Bytes({0x96, 0x03, 0x00, 0x00, 0x41, 0x00, 0x00}), {0x96}, {6}},
        {Bytes({0x96, 0x02, 0x00, 0x05, 0x01, 0x07, 0x81, 0x00, 0x00, 0x00}), {0x96, 7, 0x81}, {5, 1, 3}},
    };
    for (const Case& c : cases) {
        flash_istream in(c.bytes.data(), c.bytes.size());
        CActionScriptCode list;
        list.Read(in);
        EXPECT_EQ(in.tellg(), c.bytes.size());
        ASSERT_EQ(list.records.size(), c.codes.size());
        for (size_t i = 0; i < c.codes.size(); ++i) {
            EXPECT_EQ(list.records[i]->GetCode(), c.codes[i]);
            EXPECT_EQ(list.records[i]->GetSize(), c.sizes[i]);
        }
        EXPECT_EQ(WrittenBytes(list), c.bytes);
    }
    FlashActionRecord empty_long(0x80);
    EXPECT_EQ(WrittenBytes(empty_long), Bytes({0x80, 0x00, 0x00}));
    EXPECT_EQ(empty_long.GetHeaderSize(), 3u);
}

TEST(FlashActions, ActionDataIsBoundedByTheData) {
    auto bytes = Bytes({0x96, 0xFF, 0xFF, 1, 2});  // claims 65535 data bytes, has 2
    flash_istream in(bytes.data(), bytes.size());
    CActionScriptCode list;
    list.Read(in);
    ASSERT_EQ(list.records.size(), 1u);
    EXPECT_EQ(list.records[0]->data, Bytes({1, 2}));
    EXPECT_TRUE(in.fail());
}

TEST(FlashActions, CopiesAreDeep) {
    CActionScriptCode a;
    a.records.push_back(std::make_unique<FlashActionRecord>(0x96, Bytes({1, 2, 3})));
    a.records.push_back(nullptr);
    CActionScriptCode b(a);
    ASSERT_EQ(b.records.size(), 2u);
    EXPECT_NE(b.records[0].get(), a.records[0].get());
    EXPECT_EQ(b.records[0]->data, Bytes({1, 2, 3}));
    EXPECT_EQ(b.records[1], nullptr);
    a.records[0]->data[0] = 9;
    EXPECT_EQ(b.records[0]->data[0], 1);
    b = b;  // self-assignment keeps the records
    EXPECT_EQ(b.records.size(), 2u);
    EXPECT_EQ(WrittenBytes(b), Bytes({0x96, 0x03, 0x00, 1, 2, 3, 0x00}));

    FlashTagDoAction tag;
    tag.actions = b;
    auto clone = tag.Clone();
    EXPECT_EQ(WrittenBytes(*clone), WrittenBytes(tag));
}

TEST(FlashActions, DoActionTag) {
    FlashTagDoAction empty;
    EXPECT_EQ(WrittenBytes(empty), Bytes({0x01, 0x03, 0x00}));  // code 12, length 1: the End action

    auto bytes = Bytes({0x08, 0x03, 0x96, 0x03, 0x00, 0x00, 0x41, 0x00, 0x07, 0x00});
    RecordingVisitor v;
    bool more = false;
    auto tag = ReadOneTag(bytes, 6, &v, &more);
    EXPECT_TRUE(more);
    EXPECT_TRUE(v.extra.empty() && v.tooFar.empty());
    auto* action = dynamic_cast<FlashTagDoAction*>(tag.get());
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->actions.records.size(), 2u);
    EXPECT_EQ(WrittenBytes(*tag), bytes);

    // A list without its End action stops at the end of the body, not in the next tag.
    auto unterminated = Bytes({0x01, 0x03, 0x07, 0x40, 0x00});
    flash_istream in(unterminated.data(), unterminated.size());
    std::unique_ptr<FlashTag> t;
    EXPECT_TRUE(ReadFlashTag(in, t, nullptr));
    EXPECT_EQ(static_cast<FlashTagDoAction*>(t.get())->actions.records.size(), 1u);
    EXPECT_TRUE(ReadFlashTag(in, t, nullptr));
    EXPECT_EQ(t->code, 1);
}

TEST(FlashActions, FrameLabelTag) {
    FlashTagLabelFrame label("gesture");
    auto bytes = WrittenBytes(label);
    EXPECT_EQ(bytes, Concat(Bytes({0xC8, 0x0A}), Bytes({'g', 'e', 's', 't', 'u', 'r', 'e', 0})));
    auto back = ReadOneTag(bytes);
    auto* read = dynamic_cast<FlashTagLabelFrame*>(back.get());
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->label, "gesture");
    EXPECT_EQ(FlashTagLabelFrame(nullptr).label, "");

    FTimelineFrame fromLabel(label);
    EXPECT_EQ(fromLabel.label.label, "gesture");
    EXPECT_TRUE(fromLabel.actions.actions.records.empty());
    EXPECT_EQ(fromLabel.frameFlags, 0u);
}

TEST(FlashActions, FrameLabelKeepsItsNamedAnchorByte) {
    // The byte after the label's 0 marks a named anchor: it must survive a round trip, and a label
    // without it must not gain one. Only one byte belongs to the label; more is extra data, and a
    // label without its 0 fails rather than reading into what follows.
    struct Case {
        std::vector<uint8_t> body;
        std::vector<uint8_t> written;  // the body written back
        uint32_t extra;
        bool tooFar;
    };
    const Case cases[] = {
        {Bytes({'o', 'p', 'e', 'n', 0}), Bytes({'o', 'p', 'e', 'n', 0}), 0, false},
        {Bytes({'o', 'p', 'e', 'n', 0, 1}), Bytes({'o', 'p', 'e', 'n', 0, 1}), 0, false},
        {Bytes({'o', 'p', 'e', 'n', 0, 0}), Bytes({'o', 'p', 'e', 'n', 0, 0}), 0, false},
        {Bytes({'o', 'p', 'e', 'n', 0, 1, 7}), Bytes({'o', 'p', 'e', 'n', 0, 1}), 1, false},
        {Bytes({'o', 'p', 'e', 'n'}), {}, 0, true},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> tag = Concat(Bytes({0xC0 | static_cast<int>(c.body.size()), 0x0A}), c.body);
        RecordingVisitor seen;
        testing::internal::CaptureStderr();
        auto back = ReadOneTag(tag, 6, &seen);
        testing::internal::GetCapturedStderr();
        auto* read = dynamic_cast<FlashTagLabelFrame*>(back.get());
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(seen.tooFar.empty(), !c.tooFar) << tag.size();
        if (c.tooFar) continue;
        EXPECT_EQ(read->label, "open");
        EXPECT_EQ(seen.extra, c.extra ? std::vector<uint32_t>{c.extra} : std::vector<uint32_t>{}) << tag.size();
        EXPECT_EQ(WrittenBytes(*read), Concat(Bytes({0xC0 | static_cast<int>(c.written.size()), 0x0A}), c.written));
        // Copies (a timeline keeps one per frame) carry the anchor too.
        EXPECT_EQ(WrittenBytes(*read->Clone()), WrittenBytes(*read));
    }
}
