// The recognisers' observation stream entry point: its refusals and the model's settings.
#include "engine/recognition/model_observation_stream.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/analysis/feature_test_support.h"
#include "engine/recognition/acoustic_hmm.h"

TEST(ModelObservationStream, EntryPointRefusesMissingArguments) {
    CAccousticHMM model;
    MakeStandardFeatureConfig(38, &model.features);
    VectorSource source(std::vector<int16_t>(100, 0));
    IObservationStream* stream = reinterpret_cast<IObservationStream*>(0x1);
    EXPECT_EQ(CreateObservationStreamFromZuvoStream(&source, nullptr, &stream), 2);
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(CreateObservationStreamFromZuvoStream(nullptr, &model, &stream), 2);
    model.features.windowSize = 500;
    EXPECT_EQ(CreateObservationStreamFromZuvoStream(&source, &model, &stream), 2);
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(DestroyObservationStream(nullptr), 0);
}

TEST(ModelObservationStream, ReadsWithTheModelsSettings) {
    CAccousticHMM model;
    MakeStandardFeatureConfig(38, &model.features);
    VectorSource source(std::vector<int16_t>(16000, 0));
    IObservationStream* stream = nullptr;
    ASSERT_EQ(CreateObservationStreamFromZuvoStream(&source, &model, &stream), 0);
    EXPECT_EQ(stream->GetFrameCount(), 100u);
    DestroyObservationStream(stream);
}
