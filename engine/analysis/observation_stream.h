// Builds the feature chain over an audio source: resampling to the model's rate, pre-emphasis and
// the spectral stream. The recognisers get their observation stream here; the feature tool and the
// model trainer compute their features through the same chain.
#pragma once

#include <vector>

#include "engine/analysis/feature_config.h"
#include "engine/analysis/spectral_stream.h"

class CPCMStream;
class IZuvoPCMStream;

// A started spectral stream over channel `channel` of source: resampled to the configuration's
// rate (16 bits, one channel, cut-off factor 0.8), pre-emphasised with its coefficient, then
// analysed with its settings. Every stage holds a reference to its source, so the caller may
// release its own reference to source afterwards. *out is null on failure.
int CreateFeatureStream(CPCMStream* source, unsigned channel, const CFeatureConfig& config,
                        CSpectralStream** out);

// Every frame of the source's features with the given settings: numFeatures floats per frame in
// features, one energy value per frame in energies (the decibel energy when energyInDb).
int ComputeFeatures(CPCMStream* source, unsigned channel, const CFeatureConfig& config,
                    bool energyInDb, std::vector<float>* features, std::vector<float>* energies);

// The feature chain over an application source (opened through a zuvo stream) with the given
// settings: 0, 2 for a null argument or settings the stream refuses, or the source's error.
// *out is null on failure.
int CreateFeatureStreamFromZuvoStream(IZuvoPCMStream* source, const CFeatureConfig& config,
                                      CSpectralStream** out);

// Entry point: destroys an observation stream (null is ignored). The stream that reads a model's
// settings is made in engine/recognition/model_observation_stream.h.
int DestroyObservationStream(IObservationStream* stream);
