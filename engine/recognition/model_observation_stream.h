// Entry point: the observation stream the recognisers read, over an application source with an
// acoustic model's feature settings. The feature chain itself lives in engine/analysis.
#pragma once

#include "engine/analysis/observation_stream.h"

class CAccousticHMM;
class IZuvoPCMStream;

// 0, 2 for a null source or model or settings the stream refuses, or the source's error. *out is
// null on failure; destroy the stream with DestroyObservationStream.
int CreateObservationStreamFromZuvoStream(IZuvoPCMStream* source, CAccousticHMM* model,
                                          IObservationStream** out);
