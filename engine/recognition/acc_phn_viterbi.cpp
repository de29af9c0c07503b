// State paths into phoneme and sub-phoneme records, and the alignment driver both recognisers
// share.
#include "engine/recognition/acc_phn_viterbi.h"

#include <cmath>
#include <cstring>

#include "engine/analysis/spectral_stream.h"
#include "engine/api/error_messages.h"
#include "engine/api/sdk_log.h"
#include "engine/recognition/acoustic_hmm.h"
#include "engine/recognition/lattice_node.h"

int CAccPhnViterbi::Viterbi(CAccousticHMM*, LatticeNode**, int, const std::vector<int32_t>&,
                            IObservationStream*, CProgress*, TArray<int32_t>&, TArray<float>&) {
    return 6;
}

int CAccPhnViterbi::Viterbi(CAccousticHMM*, IObservationStream*, CProgress*, TArray<int32_t>&,
                            TArray<float>&) {
    return 6;
}

double CAccPhnViterbi::GetFramePeriod(IObservationStream* obs) {
    int size = 0, overlap = 0;
    obs->GetWindow(&size, &overlap);
    const float rate = obs->GetSampleRate();
    if (!(rate > 0.0f)) return 0.0;
    return static_cast<double>(size - overlap) / rate * 1000.0;
}

double CAccPhnViterbi::RmsOverFrames(const TArray<float>& energies, int a, int b) {
    if (a < 0) a = 0;
    if (b > energies.count) b = energies.count;
    if (b <= a) return 0.0;
    double sum = 0.0;
    for (int i = a; i < b; ++i) sum += static_cast<double>(energies.data[i]) * energies.data[i];
    return std::sqrt(sum / (b - a));
}

namespace {

void SetLabel(SyncMarker* record, const char* label) {
    std::memset(record->label, 0, sizeof(record->label));
    if (label) std::strncpy(record->label, label, sizeof(record->label) - 1);
}

SyncMarker MakeRecord(int type, float value, int start, int end, int phone) {
    SyncMarker r;
    std::memset(&r, 0, sizeof(r));
    r.type = type;
    r.value = value;
    r.start = start;
    r.end = end;
    r.text = nullptr;
    r.reserved[0] = phone;
    return r;
}

}  // namespace

int CAccPhnViterbi::PathToMarkers(const TArray<int32_t>& path, CAccousticHMM* model,
                                  IObservationStream* obs, LatticeNode** nodes,
                                  const TArray<float>& energies, bool withSubPhonemes,
                                  bool withValues, TArray<SyncMarker>& out) {
    const double period = GetFramePeriod(obs);
    out.growBy = 1024;
    out.RemoveAll();
    out.Reserve(0);
    out.count = 0;

    float minEnergy = 0.0f, maxEnergy = 0.0f;
    obs->GetEnergyRange(&minEnergy, &maxEnergy);
    float range;
    if (!(maxEnergy - minEnergy > 0.0f)) {
        minEnergy = 0.0f;
        range = 8000.0f;
    } else {
        range = maxEnergy - minEnergy;
    }
    const float scale = static_cast<float>(100.0 / range);
    auto value = [&](int a, int b) {
        const double v = (RmsOverFrames(energies, a, b) - minEnergy) * scale;
        float f = static_cast<float>(static_cast<int>(std::trunc(v)));
        if (f < 0.0f) f = 0.0f;
        if (f > 100.0f) f = 100.0f;
        return f;
    };

    const int S = model->numStates;
    const int F = path.count;
    if (F == 0 || S <= 0) return kErrNone;
    TArray<SyncMarker> subs(S < 1 ? 1 : S);
    auto ms = [&](int frame) { return static_cast<int>(std::trunc((frame + 0.5) * period)); };
    auto labelOf = [&](int phone) -> const char* {
        const int index = nodes ? nodes[phone * S]->model : phone;
        if (index < 0 || index >= static_cast<int>(model->labels.size())) return "";
        return model->Label(index);
    };
    auto flushPhone = [&](int phone, int segStart, int endFrame) -> bool {
        SyncMarker r = MakeRecord(kSyncPhoneme, withValues ? value(segStart, endFrame) : 0.0f,
                                  ms(segStart), ms(endFrame), phone);
        SetLabel(&r, labelOf(phone));
        if (!out.Append(r)) return false;
        if (withSubPhonemes) {
            for (int k = 0; k < subs.count; ++k) {
                if (!out.Append(subs.data[k])) return false;
            }
            subs.count = 0;
        }
        return true;
    };

    int phone = path.data[0] / S;
    int state = path.data[0];
    int segStart = 0;
    int subStart = 0;
    for (int i = 1; i < F; ++i) {
        if (withSubPhonemes && path.data[i] != state) {
            SyncMarker r = MakeRecord(kSyncPhonemeReplace, value(subStart, i), ms(subStart), ms(i), phone);
            if (!subs.Append(r)) return kErrOutOfMemory;
            subStart = i;
            state = path.data[i];
        }
        if (path.data[i] / S != phone) {
            if (!flushPhone(phone, segStart, i)) return kErrOutOfMemory;
            phone = path.data[i] / S;
            state = path.data[i];
            segStart = subStart = i;
        }
    }
    if (withSubPhonemes) {
        SyncMarker r = MakeRecord(kSyncPhonemeReplace, value(subStart, F), ms(subStart), ms(F), phone);
        if (!subs.Append(r)) return kErrOutOfMemory;
    }
    if (!flushPhone(phone, segStart, F)) return kErrOutOfMemory;
    return kErrNone;
}

int CAccPhnViterbi::GenerateAlignment(CAccousticHMM* model, IObservationStream* obs,
                                      LatticeNode** nodes, int phoneCount,
                                      const std::vector<int32_t>& startNodes, CProgress* progress,
                                      bool withSubPhonemes, TArray<SyncMarker>& out,
                                      TArray<float>& energies) {
    CFuncTrace trace("CAccPhnViterbi::GenerateAlignment");
    const int F = static_cast<int>(obs->GetFrameCount());
    if (F <= 0) return kErrNone;
    auto* spectral = dynamic_cast<CSpectralStream*>(obs);
    if (spectral) spectral->SetProgress(progress);
    if (!energies.SetSize(F)) return kErrOutOfMemory;
    TArray<int32_t> path;
    int result = (nodes && phoneCount > 0)
                     ? Viterbi(model, nodes, phoneCount, startNodes, obs, progress, path, energies)
                     : Viterbi(model, obs, progress, path, energies);
    if (result == kErrNone || result == kErrNoPath) {
        const int written =
            PathToMarkers(path, model, obs, nodes, energies, withSubPhonemes, true, out);
        if (result == kErrNone) result = written;
    }
    if (spectral) spectral->SetProgress(nullptr);
    return result;
}
