// Builds the feature chain over an audio source: resampling to the model's rate, pre-emphasis and
// the spectral stream. The recognisers get their observation stream here; the feature tool and the
// model trainer compute their features through the same chain.
#pragma once

#include <vector>

#include "engine/analysis/feature_config.h"
#include "engine/analysis/spectral_stream.h"

class CAccousticHMM;
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

// Entry points: an observation stream over an application source with the model's feature
// settings (0, 1, 2 for a null source or model or settings the stream refuses, or the source's
// error), and its destruction (null is ignored).
int CreateObservationStreamFromZuvoStream(IZuvoPCMStream* source, CAccousticHMM* model,
                                          IObservationStream** out);
int DestroyObservationStream(IObservationStream* stream);
