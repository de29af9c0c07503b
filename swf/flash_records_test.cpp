// Colours, RECT, MATRIX, colour transforms, the file header and the tag header.
#include "swf/flash_records.h"

#include <gtest/gtest.h>

#include "swf/flash_header.h"
#include "swf/swf_test_support.h"

namespace {

template <typename T>
T ReadBack(const std::vector<uint8_t>& bytes, size_t* consumed = nullptr, int version = 0) {
    flash_istream in(bytes.data(), bytes.size());
    T value;
    if constexpr (std::is_base_of_v<FlashVersionEnabled, T>) value.SetVersion(version);
    value.Read(in);
    EXPECT_TRUE(in.good());
    if (consumed) *consumed = static_cast<size_t>(in.tellg());
    return value;
}

}  // namespace

TEST(FlashRecords, ColourComponentsAreClampedAtTheTop) {
    FlashRGBA c(300, 254, 0, 255, 1);
    EXPECT_EQ(WrittenBytes(c), Bytes({255, 254, 0, 255}));
    FlashRGBA rgb(1, 2, 3);
    EXPECT_EQ(WrittenBytes(rgb), Bytes({1, 2, 3}));
}

TEST(FlashRecords, FixedPointFromDouble) {
    FlashFixed f(-1.5);
    EXPECT_EQ(f.integer, -2);
    EXPECT_EQ(f.fraction, 32768);
    EXPECT_EQ(f.Raw(), -98304);
    EXPECT_EQ(FlashFixed::FromRaw(f.Raw()), f);
    EXPECT_DOUBLE_EQ(FlashFixed(0.25).ToDouble(), 0.25);
}

TEST(FlashRecords, RectRoundTripsAtFullWidth) {
    FlashRect zero;
    EXPECT_EQ(WrittenBytes(zero), Bytes({0x08, 0x00}));  // NBits 1, four 1-bit zeros

    struct Case {
        FlashRect r;
        int bits;
    };
    const Case cases[] = {
        {FlashRect(0, 0, 0, -1), 2},
        {FlashRect(0, 0, 11000, 8000), 15},
        {FlashRect(-32768, -1, 32767, 1), 17},
        // Beyond 16 bits: kept whole rather than cut to a 16-bit value.
        {FlashRect(-100000, 0, 70000, 1 << 24), 26},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.r.FieldBits(), c.bits);
        auto bytes = WrittenBytes(c.r);
        EXPECT_EQ(bytes.size(), (5 + 4 * static_cast<size_t>(c.bits) + 7) / 8);
        size_t used = 0;
        FlashRect back = ReadBack<FlashRect>(bytes, &used);
        EXPECT_EQ(used, bytes.size());
        EXPECT_EQ(back.xmin, c.r.xmin);
        EXPECT_EQ(back.ymin, c.r.ymin);
        EXPECT_EQ(back.xmax, c.r.xmax);
        EXPECT_EQ(back.ymax, c.r.ymax);
    }
}

TEST(FlashRecords, RectFieldsAreInFileOrderXminXmaxYminYmax) {
    // NBits 3: xmin 1, xmax 2, ymin 3, ymax -1 -> 00011 001 010 011 111 + pad
    auto bytes = Bytes({0x19, 0x4F, 0xC0});
    FlashRect r = ReadBack<FlashRect>(bytes);
    EXPECT_EQ(r.xmin, 1);
    EXPECT_EQ(r.xmax, 2);
    EXPECT_EQ(r.ymin, 3);
    EXPECT_EQ(r.ymax, -1);
}

TEST(FlashRecords, IdentityMatrixIsNineBits) {
    FlashMatrix m;
    EXPECT_EQ(WrittenBytes(m), Bytes({0x02, 0x00}));
    size_t used = 0;
    FlashMatrix back = ReadBack<FlashMatrix>(Bytes({0x02, 0x00}), &used);
    EXPECT_EQ(used, 2u);
    EXPECT_EQ(back, m);
    // A zero-width translation (as other writers produce) reads as 0.
    EXPECT_EQ(ReadBack<FlashMatrix>(Bytes({0x00})), m);
}

TEST(FlashRecords, MatrixRoundTrips) {
    auto make = [](bool scale, double sx, double sy, bool rot, double r0, double r1, int32_t tx, int32_t ty) {
        FlashMatrix m;
        m.hasScale = scale;
        if (scale) m.xScale = FlashFixed(sx), m.yScale = FlashFixed(sy);
        m.hasRotate = rot;
        if (rot) m.rotateSkew0 = FlashFixed(r0), m.rotateSkew1 = FlashFixed(r1);
        m.translateX = tx;
        m.translateY = ty;
        return m;
    };
    const FlashMatrix cases[] = {
        make(true, 1.5, -0.25, false, 0, 0, -200, 340),
        make(false, 1, 1, true, 0.5, -0.5, 0, 0),
        make(true, 2.0, 3.0, true, -1.0, 1.0, 32767, -32768),
        make(false, 1, 1, false, 0, 0, 100000, -70000),  // beyond 16 bits: kept whole
        make(true, 1000.0, 0.0001, false, 0, 0, 1, -1),
    };
    for (const FlashMatrix& m : cases) {
        auto bytes = WrittenBytes(m);
        size_t used = 0;
        FlashMatrix back = ReadBack<FlashMatrix>(bytes, &used);
        EXPECT_EQ(used, bytes.size());
        EXPECT_EQ(back, m) << back.translateX << " " << back.translateY;
        EXPECT_EQ(WrittenBytes(back), bytes);
    }
}

TEST(FlashRecords, MatrixEqualityIgnoresFlagsForValues) {
    FlashMatrix a, b;
    b.xScale = FlashFixed(2.0);  // flag still clear, but the values differ
    EXPECT_NE(a, b);
    b = a;
    b.hasRotate = 1;
    EXPECT_NE(a, b);
}

TEST(FlashRecords, ColourTransformAlphaFollowsVersion) {
    FlashColorTransform cx;
    cx.hasMult = 1;
    cx.mult = FlashRGBA(256, 128, 64, 200);
    cx.add = FlashRGBA(0, 0, 0, 0);

    struct Case {
        int version;
        size_t bits;
    };
    for (const Case& c : {Case{1, 6 + 3 * 10}, Case{2, 6 + 4 * 10}}) {
        cx.SetVersion(c.version);
        auto bytes = WrittenBytes(cx);
        EXPECT_EQ(bytes.size(), (c.bits + 7) / 8) << c.version;
        size_t used = 0;
        FlashColorTransform back = ReadBack<FlashColorTransform>(bytes, &used, c.version);
        EXPECT_EQ(used, bytes.size());
        EXPECT_EQ(back.mult.r, 256);
        EXPECT_EQ(back.mult.b, 64);
        EXPECT_EQ(back.mult.a, c.version > 1 ? 200 : 255);
        EXPECT_EQ(back.mult.hasAlpha, c.version > 1 ? 1 : 0);
        EXPECT_FALSE(back.hasAdd);
    }

    FlashColorTransform both;
    both.SetVersion(2);
    both.hasAdd = both.hasMult = 1;
    both.mult = FlashRGBA(-256, 0, 255, 256);
    both.add = FlashRGBA(-10, 20, 0, -255);
    auto bytes = WrittenBytes(both);
    FlashColorTransform back = ReadBack<FlashColorTransform>(bytes, nullptr, 2);
    EXPECT_EQ(back, both);
    EXPECT_EQ(WrittenBytes(back), bytes);
}

TEST(FlashRecords, FileHeaderSizeAndLength) {
    FlashHeader h;
    h.version = 6;
    h.frame = FlashRect(0, 0, 11000, 8000);
    h.rateInteger = 12;
    h.rateFraction = 0x80;
    h.frameCount = 3;
    h.fileLength = 1000;
    EXPECT_EQ(h.frame.FieldBits(), 15);
    EXPECT_EQ(h.HeaderSize(), 21u);
    auto bytes = WrittenBytes(h);
    ASSERT_EQ(bytes.size(), 21u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 8), Bytes({'F', 'W', 'S', 6, 0xFD, 0x03, 0, 0}));
    EXPECT_EQ(bytes[17], 0x80);  // rate: fraction, then integer part
    EXPECT_EQ(bytes[18], 0x0C);
    EXPECT_EQ(bytes[19], 3);

    flash_istream in(bytes.data(), bytes.size());
    FlashHeader back;
    std::string error;
    ASSERT_TRUE(ReadFlashHeader(in, back, error, nullptr)) << error;
    EXPECT_EQ(back.fileLength, 1021u);
    EXPECT_EQ(back.frame.xmax, 11000);
    EXPECT_EQ(back.rateInteger, 12);
    EXPECT_EQ(back.rateFraction, 0x80);
    EXPECT_EQ(back.frameCount, 3);
    EXPECT_EQ(in.tellg(), 21u);
}

TEST(FlashRecords, TagHeaderShortAndLongForms) {
    struct Case {
        uint16_t code;
        uint32_t length;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {1, 0, Bytes({0x40, 0x00})},
        {9, 3, Bytes({0x43, 0x02})},
        {26, 62, Bytes({0xBE, 0x06})},
        {26, 63, Bytes({0xBF, 0x06, 63, 0, 0, 0})},
        {20, 0x12345678, Bytes({0x3F, 0x05, 0x78, 0x56, 0x34, 0x12})},
        {1023, 5, Bytes({0xC5, 0xFF})},
    };
    for (const Case& c : cases) {
        flash_ostream out;
        WriteTagHeader(out, c.code, c.length);
        EXPECT_EQ(out.bytes(), c.bytes) << c.code << "/" << c.length;
        flash_istream in(c.bytes.data(), c.bytes.size());
        FlashTagHeader h;
        h.Read(in);
        EXPECT_EQ(h.code, c.code);
        EXPECT_EQ(h.length, c.length);
        EXPECT_EQ(FlashTagHeader::SizeFor(c.length), c.bytes.size());
    }
    flash_ostream wrapped;
    WriteTagHeader(wrapped, 1024 + 9, 3);  // the code is taken modulo 1024
    EXPECT_EQ(wrapped.bytes(), Bytes({0x43, 0x02}));
}

TEST(FlashRecords, TagNames) {
    EXPECT_EQ(flash_tag_name(9), "tagSetBackgroundColor");
    EXPECT_EQ(flash_tag_name(26), "tagPlaceObject2");
    EXPECT_EQ(flash_tag_name(48), "tagDefineFont2");
    EXPECT_EQ(flash_tag_name(16), "unknown tag 16");
    EXPECT_EQ(flash_tag_name(56), "unknown tag 56");
}
