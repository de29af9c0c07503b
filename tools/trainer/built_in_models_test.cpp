// The embedded acoustic models read the way the program reads them: shapes, feature settings,
// image sizes, transitions and texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/recognition/acoustic_hmm.h"
#include "engine/util/built_in_resources.h"
#include "engine/util/resource_data.h"
#include "tools/trainer/model_trainer.h"

namespace {

TEST(BuiltInModels, ReadWithTheirShapesSettingsAndTexts) {
    struct Case {
        const char* name;
        int models;
        int features;
    };
    const Case cases[] = {
        {"GENERIC_HMM", 40, 38}, {"MALE_HMM", 40, 38}, {"FEMALE_HMM", 40, 38}, {"FAST_HMM", 19, 15}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int size = 0;
        const void* data = LoadResourceData(nullptr, kBuiltInResourceType, c.name, &size, false);
        ASSERT_NE(data, nullptr);
        char error[kAccErrorTextSize] = "";
        CAccousticHMM* model = nullptr;
        ASSERT_EQ(CreateAccHMM(data, size, error, &model), 0) << error;
        EXPECT_EQ(model->numModels, c.models);
        EXPECT_EQ(model->numStates, 3);
        EXPECT_EQ(model->numMixtures, 10);
        EXPECT_EQ(model->hasSkips, 0);

        CFeatureConfig expected;
        ASSERT_TRUE(MakeStandardFeatureConfig(c.features, &expected));
        const CFeatureConfig& f = model->features;
        EXPECT_EQ(f.numFeatures, c.features);
        EXPECT_EQ(f.samplerate, 16000.0f);
        EXPECT_EQ(f.preemphasis, 0.2f);
        EXPECT_EQ(f.windowSize, 512);
        EXPECT_EQ(f.windowOverlap, 352);
        EXPECT_EQ(f.num_cep, expected.num_cep);
        EXPECT_EQ(f.flags, expected.flags);
        ASSERT_EQ(f.numBands, expected.numBands);
        for (int b = 0; b < f.numBands; ++b) {
            EXPECT_EQ(f.bands.data[b].low, expected.bands.data[b].low);
            EXPECT_EQ(f.bands.data[b].centre, expected.bands.data[b].centre);
            EXPECT_EQ(f.bands.data[b].high, expected.bands.data[b].high);
        }

        // Image size: header and features, per model its marker and states, the separator, the
        // transition matrix, then labels, phone map and info text.
        const size_t M = c.models, S = 3, K = 10, D = c.features, T = M * S;
        size_t strings = std::strlen(model->PhoneMap()) + 1 + std::strlen(model->Info()) + 1;
        for (const std::string& l : model->labels) strings += l.size() + 1;
        const size_t header = 18 + 38 + 16 * static_cast<size_t>(f.numBands);
        EXPECT_EQ(static_cast<size_t>(size),
                  header + M * (4 + S * (K * (16 + 8 * D) + 4 * S)) + 4 + 4 * T * T + strings);
        if (c.models == 40) {
            EXPECT_EQ(header + 9640 * M + 4 + 4 * T * T, 424u + 9640 * 40 + 4 + 57600);
        }

        for (size_t i = 0; i < T; ++i) {
            double sum = 0.0;
            for (size_t j = 0; j < T; ++j) sum += model->Transition(static_cast<int>(i), static_cast<int>(j));
            EXPECT_NEAR(sum, 1.0, 1e-4) << "state " << i;
        }
        EXPECT_NE(std::string(model->Info()).find(c.name), std::string::npos);
        EXPECT_EQ(std::string(model->Info()).find("without training frames"), std::string::npos);
        // Every one of the 40 codes is mapped onto a label of the model.
        const std::string map = "\n" + std::string(model->PhoneMap());
        for (const std::string& code : FullLabelSet().labels) {
            EXPECT_NE(map.find("\n" + code + "="), std::string::npos) << code;
        }
        DestroyAccHMM(model);
    }
}

}  // namespace
