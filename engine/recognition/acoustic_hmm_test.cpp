// Tests of the acoustic model image: round trip, size, malformed images, labels, likelihoods.
#include "engine/recognition/acoustic_hmm.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/recognition/model_image_test_support.h"

namespace {

ModelImageLayout LargeLayout() {
    ModelImageLayout layout;
    MakeStandardFeatureConfig(38, &layout.features);
    layout.labels = InventoryLabels();
    // Labels take 101 bytes; the two texts fill the rest of the 757 bytes of strings.
    layout.phoneMap = std::string(400, 'p');
    layout.info = std::string(254, 'i');
    return layout;
}

ModelImageLayout SmallLayout() {
    ModelImageLayout layout;
    layout.models = 3;
    layout.states = 2;
    layout.mixtures = 2;
    layout.features.numFeatures = 4;
    layout.labels = {"x", "AH", "h"};
    return layout;
}

struct ReadResult {
    bool ok;
    std::string error;
};

ReadResult ReadImage(CAccousticHMM& model, const std::vector<uint8_t>& image, size_t size) {
    const unsigned char* cursor = image.data();
    unsigned remaining = static_cast<unsigned>(size);
    char error[kAccErrorTextSize] = "junk";
    bool ok = model.Read(&cursor, &remaining, error);
    return {ok, error};
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string TempPath(const char* name) {
    return std::string(::testing::TempDir()) + name;
}

void PutI32(std::vector<uint8_t>& image, size_t offset, int32_t v) {
    for (int i = 0; i < 4; ++i) image[offset + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

}  // namespace

TEST(AcousticHmm, LargeModelReadsAndWritesBackByteForByte) {
    const ModelImageLayout layout = LargeLayout();
    const std::vector<uint8_t> image = BuildModelImage(layout);
    // 424 bytes of header and features, 9,640 per model, the separator, 57,600 bytes of
    // transitions and 757 bytes of strings.
    ASSERT_EQ(image.size(), 424u + 40u * 9640u + 4u + 57600u + 757u);

    CAccousticHMM model;
    ReadResult r = ReadImage(model, image, image.size());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(model.numModels, 40);
    EXPECT_EQ(model.numStates, 3);
    EXPECT_EQ(model.numMixtures, 10);
    EXPECT_EQ(model.features.numFeatures, 38);
    EXPECT_EQ(model.features.bands.count, 23);
    EXPECT_STREQ(model.Label(0), "x");
    EXPECT_STREQ(model.Label(39), "OY");
    EXPECT_EQ(model.hasSkips, 0);
    ASSERT_NE(model.PhoneMap(), nullptr);
    EXPECT_EQ(std::string(model.Info()), layout.info);
    EXPECT_FLOAT_EQ(model.models[7].states[2].mixtures[4].mean[5], 0.07f + 0.2f + 0.004f + 2.5f);
    EXPECT_FLOAT_EQ(model.Transition(4, 5), 0.5f);

    const std::string path = TempPath("acoustic_hmm_test_large.hmm");
    ASSERT_TRUE(model.Write(path.c_str()));
    EXPECT_EQ(ReadFileBytes(path), image);
    std::remove(path.c_str());
    std::vector<uint8_t> inMemory;
    ASSERT_TRUE(model.WriteImage(&inMemory));
    EXPECT_EQ(inMemory, image);
    // Saving where no file can be made says so.
    std::string error;
    EXPECT_FALSE(model.Write("/nonexistent/folder/model.hmm", &error));
    EXPECT_NE(error, "");
    EXPECT_FALSE(model.Write(::testing::TempDir().c_str(), &error));
}

TEST(AcousticHmm, MalformedImagesFailWithTheirMessage) {
    const std::vector<uint8_t> good = BuildModelImage(SmallLayout());
    struct Case {
        const char* name;
        std::vector<uint8_t> image;
        const char* message;
    };
    std::vector<Case> cases;
    auto with = [&](const char* name, size_t offset, int32_t value, const char* message) {
        std::vector<uint8_t> image = good;
        PutI32(image, offset, value);
        cases.push_back({name, image, message});
    };
    with("bad magic", 0, 0x12345678, kAccErrNotAModel);
    {
        std::vector<uint8_t> image = good;
        image[4] = 2;
        cases.push_back({"version 2", image, kAccErrNewerVersion});
    }
    with("no models", 6, 0, kAccErrTooSmall);
    with("no states", 10, 0, kAccErrTooSmall);
    with("negative mixtures", 14, -1, kAccErrTooSmall);
    // Counts far beyond the bytes present are refused before anything is allocated.
    with("huge model count", 6, 0x7FFFFFFF, kAccErrTooSmall);
    with("huge state count", 10, 0x40000000, kAccErrTooSmall);
    with("huge mixture count", 14, 0x7FFFFFFF, kAccErrTooSmall);
    // 65,536 x 65,536 states would overflow the 32-bit T x T product.
    with("transition product overflow", 6, 65536, kAccErrTooSmall);
    // numFeatures sits at 18 + 22 in the image.
    with("huge dimension", 40, 0x20000000, kAccErrTooSmall);
    with("zero dimension", 40, 0, kAccErrTooSmall);
    cases.push_back({"empty", {}, kAccErrNotAModel});

    for (const Case& c : cases) {
        CAccousticHMM model;
        ReadResult r = ReadImage(model, c.image, c.image.size());
        EXPECT_FALSE(r.ok) << c.name;
        EXPECT_EQ(r.error, c.message) << c.name;
        EXPECT_EQ(model.numModels, 0) << c.name;
    }
}

TEST(AcousticHmm, ImageCutAnywhereBeforeTheTextsFails) {
    ModelImageLayout layout = SmallLayout();
    const std::vector<uint8_t> image = BuildModelImage(layout);
    const size_t texts = layout.phoneMap.size() + 1 + layout.info.size() + 1;
    // Every cut from inside the header to the last label must fail with [03] (or [01]/[02] in
    // the first six bytes).
    for (size_t cut = 0; cut < image.size() - texts; ++cut) {
        CAccousticHMM model;
        ReadResult r = ReadImage(model, image, cut);
        ASSERT_FALSE(r.ok) << cut;
        if (cut >= 18) {
            EXPECT_EQ(r.error, kAccErrTooSmall) << cut;
        }
    }
}

TEST(AcousticHmm, ImageCutInsideTheTextsStillLoads) {
    ModelImageLayout layout = SmallLayout();
    layout.phoneMap = "phone map";
    layout.info = "built for a test";
    const std::vector<uint8_t> image = BuildModelImage(layout);
    const size_t infoStart = image.size() - layout.info.size() - 1;
    const size_t mapStart = infoStart - layout.phoneMap.size() - 1;
    struct Case {
        size_t size;
        bool hasMap;
        bool hasInfo;
    } cases[] = {
        {mapStart, false, false},
        {mapStart + 3, false, false},
        {infoStart, true, false},
        {image.size() - 1, true, false},
        {image.size(), true, true},
    };
    for (const Case& c : cases) {
        CAccousticHMM model;
        ReadResult r = ReadImage(model, image, c.size);
        ASSERT_TRUE(r.ok) << c.size << " " << r.error;
        EXPECT_EQ(model.PhoneMap() != nullptr, c.hasMap) << c.size;
        EXPECT_EQ(model.Info() != nullptr, c.hasInfo) << c.size;
    }
}

TEST(AcousticHmm, SkipTransitionsAreDetected) {
    ModelImageLayout layout = SmallLayout();
    layout.transition = [](int i, int j, int) -> float {
        if (j == i || j == i + 1) return 0.4f;
        return (i == 0 && j == 3) ? 0.2f : 0.0f;
    };
    std::vector<uint8_t> image = BuildModelImage(layout);
    CAccousticHMM model;
    ASSERT_TRUE(ReadImage(model, image, image.size()).ok);
    EXPECT_EQ(model.hasSkips, 1);

    // A jump from a model's last state to another model's first is not a skip.
    layout.transition = [](int i, int j, int s) -> float {
        if (j == i || j == i + 1) return 0.4f;
        return (i % s == s - 1 && j % s == 0) ? 0.1f : 0.0f;
    };
    image = BuildModelImage(layout);
    ASSERT_TRUE(ReadImage(model, image, image.size()).ok);
    EXPECT_EQ(model.hasSkips, 0);
}

TEST(AcousticHmm, LabelsSplitFromLeftToRight) {
    ModelImageLayout layout = LargeLayout();
    layout.models = 40;
    const std::vector<uint8_t> image = BuildModelImage(layout);
    CAccousticHMM model;
    ASSERT_TRUE(ReadImage(model, image, image.size()).ok);
    auto index = [&](const char* label) {
        for (int i = 0; i < model.numModels; ++i) {
            if (std::string(model.Label(i)) == label) return i;
        }
        return -1;
    };

    int found = -2;
    EXPECT_EQ(model.FindLabel("AY", &found), 2);
    EXPECT_EQ(found, index("AY"));
    EXPECT_EQ(model.FindLabel("hello", &found), 1);
    EXPECT_EQ(found, index("h"));
    EXPECT_EQ(model.FindLabel("q", &found), 0);
    EXPECT_EQ(found, -1);

    std::vector<uint16_t> indices;
    EXPECT_TRUE(model.LabelsToIndices("hAHx", &indices));
    EXPECT_EQ(indices, (std::vector<uint16_t>{uint16_t(index("h")), uint16_t(index("AH")),
                                              uint16_t(index("x"))}));
    indices.clear();
    EXPECT_FALSE(model.LabelsToIndices("q", &indices));
    EXPECT_EQ(indices, std::vector<uint16_t>{0});
    indices.clear();
    EXPECT_FALSE(model.LabelsToIndices("mqd", &indices));
    EXPECT_EQ(indices, (std::vector<uint16_t>{uint16_t(index("m")), 0, uint16_t(index("d"))}));

    struct SplitCase {
        const char* text;
        bool ok;
        const char* a;
        const char* b;
        const char* c;
    } cases[] = {
        {"hhAE", true, "h", "h", "AE"},
        {"IYmb", true, "IY", "m", "b"},
        {"AH", true, "AH", nullptr, nullptr},
        {"sAH", true, "s", "AH", nullptr},
        {"qx", false, nullptr, nullptr, nullptr},
        {"", false, nullptr, nullptr, nullptr},
    };
    for (const SplitCase& c : cases) {
        int a = 7, b = 7, cc = 7;
        EXPECT_EQ(model.SplitLabel(c.text, &a, &b, &cc), c.ok) << c.text;
        EXPECT_EQ(a, c.a ? index(c.a) : -1) << c.text;
        EXPECT_EQ(b, c.b ? index(c.b) : -1) << c.text;
        EXPECT_EQ(cc, c.c ? index(c.c) : -1) << c.text;
    }
}

TEST(AcousticHmm, StateLikelihoodSumsWeightedGaussians) {
    CAccousticHMM model;
    const int dim = 2;
    model.numModels = 1;
    model.numStates = 1;
    model.numMixtures = 2;
    model.features.numFeatures = dim;
    model.parameters = {1.0f, 2.0f, 4.0f, 1.0f,   // mixture 0: mean, precision
                        0.0f, 0.0f, 1.0f, 1.0f};  // mixture 1
    model.models.resize(1);
    model.models[0].states.resize(1);
    AccState& state = model.models[0].states[0];
    state.mixtures = {{0.75, &model.parameters[0], &model.parameters[2], 2.0},
                      {0.0, &model.parameters[4], &model.parameters[6], 5.0}};
    const float x[dim] = {1.5f, 3.0f};
    // exp(-0.5 (4 x 0.25 + 1 x 1)) x 0.75 x 2; the weight-0 mixture adds nothing.
    EXPECT_NEAR(static_cast<double>(model.StateLikelihood(x, 0)), std::exp(-1.0) * 1.5, 1e-12);

    state.mixtures[1].weight = 0.25;
    const double both = std::exp(-1.0) * 1.5 + std::exp(-0.5 * (2.25 + 9.0)) * 0.25 * 5.0;
    EXPECT_NEAR(static_cast<double>(model.StateLikelihood(x, 0)), both, 1e-12);

    // A frame far from every mean still has a likelihood: 0 would mean "no path".
    const float far[dim] = {60.0f, 80.0f};
    EXPECT_GT(model.StateLikelihood(far, 0), 0.0L);
    EXPECT_EQ(model.StateLikelihood(x, 1), 0.0L);
    model.numMixtures = 0;
    EXPECT_EQ(model.StateLikelihood(x, 0), 0.0L);
}

TEST(AcousticHmm, CreateAccHmmEntryPoint) {
    const std::vector<uint8_t> image = BuildModelImage(SmallLayout());
    CAccousticHMM* model = reinterpret_cast<CAccousticHMM*>(0x1);
    char error[kAccErrorTextSize];
    std::fenv_t before;
    std::fegetenv(&before);
    EXPECT_EQ(CreateAccHMM(image.data(), static_cast<int>(image.size()), error, &model), 0);
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->numModels, 3);
    EXPECT_EQ(std::string(error), "");
    EXPECT_EQ(DestroyAccHMM(model), 0);

    model = reinterpret_cast<CAccousticHMM*>(0x1);
    EXPECT_EQ(CreateAccHMM(image.data(), 10, error, &model), 12);
    EXPECT_EQ(model, nullptr);
    EXPECT_EQ(std::string(error), kAccErrTooSmall);
    EXPECT_EQ(CreateAccHMM(nullptr, 0, error, &model), 12);
    EXPECT_EQ(std::string(error), kAccErrNotAModel);
    EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), 0);
    EXPECT_EQ(DestroyAccHMM(nullptr), 0);
}
