// The feature chain: source -> resampler -> pre-emphasis -> spectral stream.
#include "engine/analysis/observation_stream.h"

#include <memory>
#include <new>

#include "engine/api/entry_point.h"
#include "engine/api/error_messages.h"
#include "engine/api/sdk_log.h"
#include "engine/audio/pcm_stream.h"
#include "engine/audio/preemphasis_pcm_stream.h"
#include "engine/audio/resampled_pcm_stream.h"
#include "engine/audio/zuvo_stream.h"
#include "engine/util/engine_guard.h"
#include "platform/fp_guard.h"

int CreateFeatureStream(CPCMStream* source, unsigned channel, const CFeatureConfig& config,
                        CSpectralStream** out) {
    ClearOut(out);
    if (source == nullptr || out == nullptr) return kErrInvalidArgument;
    engine_guard<CResampledPCMStream> resampled(new (std::nothrow) CResampledPCMStream);
    if (!resampled) return kErrOutOfMemory;
    PCMFormat target;
    target.sampleRate = static_cast<uint32_t>(config.samplerate * 65536.0f);
    target.bitsPerSample = 16;
    target.channels = 1;
    int rc = resampled.get()->Instantiate(source, &target, channel, 0.8f);
    if (rc != 0) return rc;

    engine_guard<CPreemphasisPCMStream> emphasis(new (std::nothrow) CPreemphasisPCMStream);
    if (!emphasis) return kErrOutOfMemory;
    rc = emphasis.get()->SetSource(resampled.get(), 1, config.preemphasis);
    if (rc != 0) return rc;

    std::unique_ptr<CSpectralStream> stream(new (std::nothrow) CSpectralStream);
    if (!stream) return kErrOutOfMemory;
    rc = stream->Init2(emphasis.get(), 1, &config);
    if (rc != 0) return rc;
    rc = emphasis.get()->Start();
    if (rc != 0) return rc;
    *out = stream.release();
    return 0;
}

int ComputeFeatures(CPCMStream* source, unsigned channel, const CFeatureConfig& config,
                    bool energyInDb, std::vector<float>* features, std::vector<float>* energies) {
    CFloatingPointGuard guard;
    return RunEntryPoint([&]() -> int {
        if (features) features->clear();
        if (energies) energies->clear();
        CSpectralStream* raw = nullptr;
        const int rc = CreateFeatureStream(source, channel, config, &raw);
        if (rc != 0) return rc;
        std::unique_ptr<CSpectralStream> stream(raw);
        if (energyInDb) stream->SetOptions(kObservationEnergyInDb);
        const unsigned frames = stream->GetFrameCount();
        const size_t dim = static_cast<size_t>(config.numFeatures);
        std::vector<float> all(frames * dim);
        std::vector<float> energy(frames);
        for (unsigned t = 0; t < frames; ++t) {
            const int code = stream->ReadFrame(all.data() + t * dim, &energy[t]);
            if (code != 0) return code;
        }
        if (features) *features = std::move(all);
        if (energies) *energies = std::move(energy);
        return 0;
    });
}

int CreateFeatureStreamFromZuvoStream(IZuvoPCMStream* source, const CFeatureConfig& config,
                                      CSpectralStream** out) {
    ClearOut(out);
    if (out == nullptr) return kErrInvalidArgument;
    engine_guard<CZuvoStream> zuvo(new (std::nothrow) CZuvoStream);
    if (!zuvo) return kErrOutOfMemory;
    const int rc = zuvo.get()->Open(source);
    if (rc != 0) return rc;
    return CreateFeatureStream(zuvo.get(), 1, config, out);
}

int DestroyObservationStream(IObservationStream* stream) {
    CFuncTrace trace("DestroyObservationStream");
    delete stream;
    return 0;
}
