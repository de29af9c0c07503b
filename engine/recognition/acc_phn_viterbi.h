// The base of both recognisers: the search slots they override, and the conversion of a state
// path into timed phoneme records with energy values and sub-phoneme records.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/api/sync_marker.h"
#include "engine/util/t_array.h"

class CAccousticHMM;
class CProgress;
class IObservationStream;
struct LatticeNode;

// One recogniser run at a time, on the caller's thread; no lock.
class CAccPhnViterbi {
public:
    CAccPhnViterbi() = default;
    CAccPhnViterbi(const CAccPhnViterbi&) = delete;
    CAccPhnViterbi& operator=(const CAccPhnViterbi&) = delete;
    virtual ~CAccPhnViterbi() = default;

    // Lattice search over phoneCount phones of nodes, paths starting at startNodes; the path gets
    // one node index per frame and energies one energy value per frame. The base gives 6.
    virtual int Viterbi(CAccousticHMM* model, LatticeNode** nodes, int phoneCount,
                        const std::vector<int32_t>& startNodes, IObservationStream* obs,
                        CProgress* progress, TArray<int32_t>& path, TArray<float>& energies);
    // Phone-loop search over every model state; the path gets one global state per frame. The
    // base gives 6.
    virtual int Viterbi(CAccousticHMM* model, IObservationStream* obs, CProgress* progress,
                        TArray<int32_t>& path, TArray<float>& energies);
    // Runs the lattice search when nodes are given, else the phone-loop search, and turns the
    // path into records in out (emptied first). 0 and nothing written for a stream without frames.
    virtual int GenerateAlignment(CAccousticHMM* model, IObservationStream* obs, LatticeNode** nodes,
                                  int phoneCount, const std::vector<int32_t>& startNodes,
                                  CProgress* progress, bool withSubPhonemes, TArray<SyncMarker>& out,
                                  TArray<float>& energies);

    // Empties out and writes one phoneme record (type 1) per run of equal phones of the path,
    // each followed, with withSubPhonemes, by one type-5 record per run of equal states inside it.
    // Labels come from the nodes' models, or from path / numStates without nodes. Each record
    // keeps its phone index in reserved[0]. 0, or 1 when out cannot grow.
    int PathToMarkers(const TArray<int32_t>& path, CAccousticHMM* model, IObservationStream* obs,
                      LatticeNode** nodes, const TArray<float>& energies, bool withSubPhonemes,
                      bool withValues, TArray<SyncMarker>& out);

    // Milliseconds per frame.
    static double GetFramePeriod(IObservationStream* obs);
    // Root mean square of energies[a .. b-1], clipped to the array; 0 for an empty span.
    static double RmsOverFrames(const TArray<float>& energies, int a, int b);
};

// reserved[0] of a record carries the phone index that the path gave it.
inline int32_t RecordPhoneIndex(const SyncMarker& record) { return record.reserved[0]; }
