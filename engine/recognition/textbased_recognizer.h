// The text-based recogniser: aligns a transcribed script with its recording. It cuts the script
// at its cut cues into segments, builds a lattice of model states for each, searches it and
// writes phoneme, word, punctuation and markup records into the results collection.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/recognition/acc_phn_viterbi.h"
#include "engine/recognition/lattice_node.h"

class CBlockPool;
class CTranscriber;
class ISyncResultsCollection;
struct TranscriptMarker;

// Created for one recognition command and used on the caller's thread; no lock.
class CTextbasedPhnRecognizer : public CAccPhnViterbi {
public:
    static constexpr int kDefaultBeamWidth = 2000;
    static constexpr int kMinBeamWidth = 500;
    static constexpr int kMaxBeamWidth = 8000;
    static constexpr int kDefaultByteBudget = 500000000;
    // Backpointer cells the probability search may hold (frames x beam).
    static constexpr int64_t kMaxSearchCells = 256000000;
    // The probability search keeps node numbers in 16 bits.
    static constexpr int kMaxProbabilitySearchNodes = 65535;
    // Pending exits that feed one phone entry.
    static constexpr int kMaxPendingExits = 60000;

    // Entry points: 0 and a new recogniser (null when it cannot be allocated); destroy accepts null.
    static int CreateTextBasedRecognizer(CTextbasedPhnRecognizer** out);
    static void DestroyTextBasedRecognizer(CTextbasedPhnRecognizer* recognizer);

    CTextbasedPhnRecognizer() = default;
    ~CTextbasedPhnRecognizer() override = default;

    // Transcribes text (or, with null text, uses the transcriber's last transcription), aligns it
    // segment by segment and fills results. 0, or the code of the last segment that failed (8 for
    // no complete path, and for words in a segment of two frames or fewer); 2 for a null argument or a model the lattice cannot hold; 3 for cut cue
    // times that decrease or lie beyond the audio; 5 when cancelled (the run stops there).
    virtual int RecognizePhonemes(IObservationStream* obs, CAccousticHMM* model, const char* text,
                                  CTranscriber* transcriber, CProgress* progress,
                                  ISyncResultsCollection* results);
    virtual int AlignTranscription(IObservationStream* obs, CAccousticHMM* model,
                                   CTranscriber* transcriber, CProgress* progress,
                                   ISyncResultsCollection* results);
    // Clamped to 500 .. 8000.
    virtual void SetBeamWidth(int width);
    virtual int GetBeamWidth();
    // 0, or 2 when a value had to be corrected (maxHypotheses not below the beam, a threshold
    // above -200).
    virtual int SetOptions(uint16_t beam, uint16_t maxHypothesesIn, int32_t byteBudgetIn,
                           double threshold, const char* tempFileNameIn);

    using CAccPhnViterbi::Viterbi;
    // The probability-domain search over a window of beamWidth nodes around the last best node.
    int Viterbi(CAccousticHMM* model, LatticeNode** nodes, int phoneCount,
                const std::vector<int32_t>& startNodes, IObservationStream* obs, CProgress* progress,
                TArray<int32_t>& path, TArray<float>& energies) override;
    // Appends the segment's states to a new lattice (from the pool) and returns its node array.
    // A long script asks progress whether to cancel as it goes: then null with nodeCount -1.
    virtual LatticeNode** BuildLattice(CAccousticHMM* model, CBlockPool* pool, TranscriptMarker* first,
                                       TranscriptMarker* end, std::vector<int32_t>& startNodes,
                                       int* nodeCount, CProgress* progress = nullptr);

    // The log-domain search with a bounded list of hypotheses per frame and its backpointers
    // spilled to a temporary file beyond the byte budget. The lattice weights must be logarithms.
    int ViterbiPruned(CAccousticHMM* model, LatticeNode** nodes, int phoneCount,
                      const std::vector<int32_t>& startNodes, IObservationStream* obs,
                      CProgress* progress, TArray<int32_t>& path, TArray<float>& energies);
    // True when the pruned search runs for a segment ending at endFrame over nodeCount nodes:
    // a hypothesis limit or threshold is set, beamWidth x endFrame reaches the cell limit, or the
    // lattice is too large for the probability search.
    bool NeedsPrunedSearch(int endFrame, int nodeCount = 0) const;
    // Makes the spill file's name once per recogniser.
    void EnsureTempFileName();

    // One phone's states appended to nodes, entered from the pending exits.
    void AddPhoneNodes(CAccousticHMM* model, int modelIndex, std::vector<LatticeNode*>& nodes,
                       CBlockPool* pool, bool mandatory, std::vector<LatticePred>& pendingExits);
    // A marker's slots appended one after the other, alternatives of a slot side by side.
    void ExpandWord(CAccousticHMM* model, std::vector<LatticeNode*>& nodes,
                    std::vector<int32_t>* startNodes, TranscriptMarker& marker, CBlockPool* pool,
                    std::vector<LatticePred>& pendingExits);
    // One record over a segment too short or too empty to search; reads all its frames.
    int ReadDormantMarkerRegion(CAccousticHMM* model, LatticeNode** nodes, int phoneCount,
                                double period, IObservationStream* obs, TArray<float>& energies,
                                TArray<SyncMarker>& out);
    // Moves a segment's records into the collection, shifted by offset milliseconds, with a word,
    // punctuation or markup record before the first phoneme of each marker.
    void MergeSegmentRecords(ISyncResultsCollection* results, int offset, TArray<SyncMarker>& records,
                             TranscriptMarker* first, TranscriptMarker* end, const char* text,
                             int textLength);

    const std::string& GetTempFileName() const { return tempFileName; }
    uint16_t GetMaxHypotheses() const { return maxHypotheses; }
    int32_t GetByteBudget() const { return byteBudget; }
    double GetPruneThreshold() const { return pruneThreshold; }

private:
    struct RunState;
    int RecognizeSegment(TranscriptMarker* prevCut, TranscriptMarker* nextCut,
                         TranscriptMarker* markers, int markerCount, RunState& run,
                         const char* text, int textLength, CAccousticHMM* model, CProgress* progress,
                         ISyncResultsCollection* results);

    std::string tempFileName;
    int32_t byteBudget = kDefaultByteBudget;
    double pruneThreshold = 0.0;
    uint16_t maxHypotheses = 0;  // 0: a quarter of the beam
    int32_t beamWidth = kDefaultBeamWidth;
};
