// The recognisers' observation stream: the analysis feature chain with the model's settings.
#include "engine/recognition/model_observation_stream.h"

#include "engine/api/entry_point.h"
#include "engine/api/error_messages.h"
#include "engine/api/sdk_log.h"
#include "engine/recognition/acoustic_hmm.h"
#include "platform/fp_guard.h"

int CreateObservationStreamFromZuvoStream(IZuvoPCMStream* source, CAccousticHMM* model,
                                          IObservationStream** out) {
    CFloatingPointGuard guard;
    CFuncTrace trace("CreateObservationStreamFromZuvoStream");
    ClearOut(out);
    return RunEntryPoint([&]() -> int {
        if (out == nullptr || model == nullptr || source == nullptr) return kErrInvalidArgument;
        CSpectralStream* stream = nullptr;
        const int rc = CreateFeatureStreamFromZuvoStream(source, model->features, &stream);
        if (rc != 0) return rc;
        *out = stream;
        return 0;
    });
}
