// Text-based alignment: segments at cut cues, lattice building, and merging each segment's
// records with the word, punctuation and markup records of its script.
#include "engine/recognition/textbased_recognizer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "engine/analysis/spectral_stream.h"
#include "engine/api/entry_point.h"
#include "engine/api/error_messages.h"
#include "engine/api/progress.h"
#include "engine/api/results_collection.h"
#include "engine/api/sdk_log.h"
#include "engine/recognition/acoustic_hmm.h"
#include "engine/text/transcriber.h"
#include "engine/util/block_pool.h"
#include "engine/util/mem_alloc.h"
#include "platform/fp_guard.h"

namespace {

constexpr int kLatticeBlockSize = 32768;
// Script markers expanded into the lattice between two questions whether to cancel.
constexpr int kMarkersPerCancelCheck = 4096;
// Lattice nodes whose weights turn into logarithms between two such questions.
constexpr int kNodesPerCancelCheck = 1 << 20;

// The frames of one segment of the whole stream: it reports the segment's length and refuses to
// read past it, and counts what was read so the next segment can start at its own first frame.
class CSegmentObservations : public IObservationStream {
public:
    CSegmentObservations(IObservationStream* whole, unsigned frames) : whole_(whole), frames_(frames) {}
    unsigned GetFrameCount() override { return frames_; }
    int ReadFrame(float* features, float* energy) override {
        if (read_ >= frames_) return kErrOutOfRange;
        const int code = whole_->ReadFrame(features, energy);
        if (code == kErrNone) ++read_;
        return code;
    }
    void GetWindow(int* size, int* overlap) override { whole_->GetWindow(size, overlap); }
    float GetSampleRate() override { return whole_->GetSampleRate(); }
    void GetEnergyRange(float* min, float* max) override { whole_->GetEnergyRange(min, max); }
    void SetOptions(int options) override { whole_->SetOptions(options); }
    unsigned FramesRead() const { return read_; }

private:
    IObservationStream* whole_;
    unsigned frames_;
    unsigned read_ = 0;
};

}  // namespace

// What one RecognizePhonemes run carries from segment to segment.
struct CTextbasedPhnRecognizer::RunState {
    IObservationStream* obs = nullptr;
    unsigned totalFrames = 0;
    unsigned framesRead = 0;  // frames of the whole stream consumed so far
    double period = 0.0;
    std::vector<float> scratch;
};

int CTextbasedPhnRecognizer::CreateTextBasedRecognizer(CTextbasedPhnRecognizer** out) {
    CFuncTrace trace("CTextbasedPhnRecognizer::CreateTextBasedRecognizer");
    if (!out) return kErrInvalidArgument;
    *out = new (std::nothrow) CTextbasedPhnRecognizer();
    return kErrNone;
}

void CTextbasedPhnRecognizer::DestroyTextBasedRecognizer(CTextbasedPhnRecognizer* recognizer) {
    CFuncTrace trace("CTextbasedPhnRecognizer::DestroyTextBasedRecognizer");
    delete recognizer;
}

void CTextbasedPhnRecognizer::SetBeamWidth(int width) {
    beamWidth = std::clamp(width, kMinBeamWidth, kMaxBeamWidth);
}

int CTextbasedPhnRecognizer::GetBeamWidth() { return beamWidth; }

int CTextbasedPhnRecognizer::SetOptions(uint16_t beam, uint16_t maxHypothesesIn, int32_t byteBudgetIn,
                                        double threshold, const char* tempFileNameIn) {
    int result = kErrNone;
    if (beam != 0) SetBeamWidth(beam);
    if (maxHypothesesIn != 0) {
        maxHypotheses = maxHypothesesIn;
        if (maxHypothesesIn >= beam) {
            maxHypotheses = beam;
            result = kErrInvalidArgument;
        }
    }
    byteBudget = byteBudgetIn;
    pruneThreshold = threshold;
    if (threshold > -200.0) {
        pruneThreshold = 0.0;
        result = kErrInvalidArgument;
    }
    if (tempFileNameIn && tempFileNameIn[0] != '\0') tempFileName = tempFileNameIn;
    return result;
}

int CTextbasedPhnRecognizer::AlignTranscription(IObservationStream* obs, CAccousticHMM* model,
                                                CTranscriber* transcriber, CProgress* progress,
                                                ISyncResultsCollection* results) {
    CFuncTrace trace("CTextbasedPhnRecognizer::AlignTranscription");
    return RecognizePhonemes(obs, model, nullptr, transcriber, progress, results);
}

int CTextbasedPhnRecognizer::RecognizePhonemes(IObservationStream* obs, CAccousticHMM* model,
                                               const char* text, CTranscriber* transcriber,
                                               CProgress* progress, ISyncResultsCollection* results) {
    CFuncTrace trace("CTextbasedPhnRecognizer::RecognizePhonemes");
    CFloatingPointGuard guard;
    return RunEntryPoint([&]() -> int {
        if (!results || !transcriber || !obs || !model) return kErrInvalidArgument;
        // The lattice keeps model numbers in 8 bits.
        if (model->numStates < 1 || model->numModels < 1 || model->numModels > 256 ||
            static_cast<int>(model->labels.size()) < model->numModels) {
            return kErrInvalidArgument;
        }
        int textLength = 0;
        if (text) {
            textLength = static_cast<int>(std::strlen(text));
            // A long script takes long to transcribe: a cancel meanwhile ends the run here.
            transcriber->SetProgress(progress);
            const bool finished = transcriber->Transcribe(text);
            transcriber->SetProgress(nullptr);
            if (!finished || (progress && progress->Progress(0, 0))) return kErrCancelled;
        }
        int markerCount = 0;
        TranscriptMarker* markers = transcriber->GetOutputMarkers(&markerCount);
        if (!markers) markerCount = 0;

        RunState run;
        run.obs = obs;
        run.totalFrames = obs->GetFrameCount();
        run.period = GetFramePeriod(obs);
        if (!(run.period > 0.0)) return kErrInvalidArgument;
        run.scratch.assign(static_cast<size_t>(std::max(1, model->features.numFeatures)), 0.0f);

        // Cut cues size the segments: they must not go back in time or past the audio.
        int64_t lastCutFrame = 0;
        for (int i = 0; i < markerCount; ++i) {
            if (markers[i].kind != kTranscriptCut) continue;
            const double frame = std::trunc(markers[i].value / run.period);
            if (markers[i].value < 0 || frame < static_cast<double>(lastCutFrame) ||
                frame > static_cast<double>(run.totalFrames)) {
                return kErrOutOfRange;
            }
            lastCutFrame = static_cast<int64_t>(frame);
        }

        int kept = kErrNone;
        TranscriptMarker* prevCut = nullptr;
        for (int i = 0; i < markerCount; ++i) {
            if (markers[i].kind != kTranscriptCut) continue;
            const int r = RecognizeSegment(prevCut, &markers[i], markers, markerCount, run, text,
                                           textLength, model, progress, results);
            if (r == kErrCancelled) return r;
            if (r != kErrNone) kept = r;
            prevCut = &markers[i];
        }
        const int r = RecognizeSegment(prevCut, nullptr, markers, markerCount, run, text, textLength,
                                       model, progress, results);
        if (r == kErrCancelled) return r;
        if (r != kErrNone) kept = r;
        if (CConcreteSyncMarkerCollection* concrete = AsConcreteCollection(results)) {
            concrete->PostProcessMarkers();
        }
        return kept;
    });
}

int CTextbasedPhnRecognizer::RecognizeSegment(TranscriptMarker* prevCut, TranscriptMarker* nextCut,
                                              TranscriptMarker* markers, int markerCount,
                                              RunState& run, const char* text, int textLength,
                                              CAccousticHMM* model, CProgress* progress,
                                              ISyncResultsCollection* results) {
    const int total = static_cast<int>(run.totalFrames);
    const int startFrame = prevCut ? static_cast<int>(std::trunc(prevCut->value / run.period)) : 0;
    const int endFrame = nextCut ? static_cast<int>(std::trunc(nextCut->value / run.period)) : total;
    TranscriptMarker* first = prevCut ? prevCut : markers;
    TranscriptMarker* end = nextCut ? nextCut : markers + markerCount;
    const bool withSubPhonemes = (results->GetFlags() & kSyncFlagStateRuns) != 0;
    const int S = model->numStates;

    // A segment begins at its own first frame whatever the segment before it read.
    while (run.framesRead < static_cast<unsigned>(startFrame)) {
        float energy = 0.0f;
        const int code = run.obs->ReadFrame(run.scratch.data(), &energy);
        if (code != kErrNone) return code;
        ++run.framesRead;
    }
    CSegmentObservations obs(run.obs, static_cast<unsigned>(std::max(0, endFrame - startFrame)));

    CBlockPool pool(kLatticeBlockSize);
    std::vector<int32_t> startNodes;
    int nodeCount = 0;
    LatticeNode** nodes = BuildLattice(model, &pool, first, end, startNodes, &nodeCount, progress);
    if (nodeCount < 0) return kErrCancelled;
    if (!nodes && nodeCount > 0) return kErrOutOfMemory;
    const bool pruned = NeedsPrunedSearch(endFrame, nodeCount);
    if (pruned) {
        for (int n = 0; n < nodeCount; ++n) {
            if (progress && n % kNodesPerCancelCheck == kNodesPerCancelCheck - 1 && progress->Progress(0, 0)) {
                return kErrCancelled;
            }
            LatticePred* preds = nodes[n]->Preds();
            for (int k = 0; k < nodes[n]->predCount; ++k) {
                const float w = preds[k].weight;
                preds[k].weight = w >= 1e-15f ? std::log(w) : -1e10f;
            }
        }
    }

    TArray<float> energies;
    TArray<int32_t> path;
    TArray<SyncMarker> records(4);
    if (!energies.SetSize(static_cast<int>(obs.GetFrameCount()))) return kErrOutOfMemory;
    int result;
    const int P = nodeCount / S;
    if (nodeCount <= 3 || endFrame - startFrame <= 2) {
        result = ReadDormantMarkerRegion(model, nodes, P, run.period, &obs, energies, records);
        // Words in two frames or fewer were never aligned: the segment fails as a longer one too
        // short for its words does, instead of passing off the words piled on one record.
        if (result == kErrNone && nodeCount > 3) result = kErrNoPath;
    } else {
        result = pruned ? ViterbiPruned(model, nodes, P, startNodes, &obs, progress, path, energies)
                        : Viterbi(model, nodes, P, startNodes, &obs, progress, path, energies);
        // The search asks only every so many frames, and the records of a long script take a
        // while to make: a cancel pressed meanwhile ends the run here.
        if (result != kErrCancelled && progress && progress->Progress(0, 0)) return kErrCancelled;
        if ((result == kErrNone || result == kErrNoPath) && path.count >= 3) {
            const int written =
                PathToMarkers(path, model, &obs, nodes, energies, withSubPhonemes, true, records);
            if (written != kErrNone) result = written;
        }
    }
    run.framesRead += obs.FramesRead();
    if (result == kErrNone || result == kErrNoPath) {
        const int offset = static_cast<int>(std::trunc(run.period * startFrame));
        MergeSegmentRecords(results, offset, records, first, end, text, textLength);
    }
    // Records that did not reach the collection own no texts (phoneme records only).
    return result;
}

void CTextbasedPhnRecognizer::AddPhoneNodes(CAccousticHMM* model, int m, std::vector<LatticeNode*>& nodes,
                                            CBlockPool* pool, bool mandatory,
                                            std::vector<LatticePred>& pendingExits) {
    const int S = model->numStates;
    const int base = static_cast<int>(nodes.size());
    const int P = std::min(static_cast<int>(pendingExits.size()), kMaxPendingExits);
    const int g = m * S;

    LatticeNode* firstState = static_cast<LatticeNode*>(pool->Alloc(LatticeNode::BytesFor(P + 1)));
    if (!firstState) throw std::bad_alloc();
    firstState->predCount = static_cast<uint16_t>(P + 1);
    firstState->model = static_cast<uint8_t>(m);
    firstState->unused = 0;
    LatticePred* preds = firstState->Preds();
    preds[0] = LatticePred{base, model->Transition(g, g)};
    for (int k = 0; k < P; ++k) {
        preds[k + 1] = LatticePred{pendingExits[static_cast<size_t>(k)].node,
                                   static_cast<float>(pendingExits[static_cast<size_t>(k)].weight * (1.0 / P))};
    }
    nodes.push_back(firstState);

    const int K = model->hasSkips ? S : 1;
    for (int s = 1; s < S; ++s) {
        LatticePred pairs[256];
        int count = 0;
        for (int u = std::max(0, s - K); u <= s && count < 256; ++u) {
            const float w = model->Transition(g + u, g + s);
            if (w != 0.0f) pairs[count++] = LatticePred{base + u, w};
        }
        LatticeNode* node = static_cast<LatticeNode*>(pool->Alloc(LatticeNode::BytesFor(count)));
        if (!node) throw std::bad_alloc();
        node->predCount = static_cast<uint16_t>(count);
        node->model = static_cast<uint8_t>(m);
        node->unused = 0;
        std::memcpy(node->Preds(), pairs, sizeof(LatticePred) * static_cast<size_t>(count));
        nodes.push_back(node);
    }
    const LatticePred exit{base + S - 1, 1.0f - model->Transition(g + S - 1, g + S - 1)};
    if (m == 0 && !mandatory) {
        pendingExits.push_back(exit);  // the silence may be skipped
    } else {
        pendingExits.assign(1, exit);
    }
}

void CTextbasedPhnRecognizer::ExpandWord(CAccousticHMM* model, std::vector<LatticeNode*>& nodes,
                                         std::vector<int32_t>* startNodes, TranscriptMarker& marker,
                                         CBlockPool* pool, std::vector<LatticePred>& pendingExits) {
    const bool mandatory = (marker.flags & kTranscriptPauseAllowed) != 0;
    std::vector<uint16_t> indices;
    auto expand = [&](const char* labels) {
        indices.clear();
        model->LabelsToIndices(labels, &indices);
        for (uint16_t index : indices) {
            AddPhoneNodes(model, index < model->numModels ? index : 0, nodes, pool, mandatory, pendingExits);
        }
    };
    for (int k = 0; k < marker.slotCount; ++k) {
        const TranscriptSlot& slot = marker.slots[k];
        if (slot.count <= 0 || !slot.strings) continue;
        if (slot.count == 1) {
            if (startNodes && k == 0) startNodes->push_back(static_cast<int32_t>(nodes.size()));
            expand(slot.strings[0]);
            continue;
        }
        const std::vector<LatticePred> saved = pendingExits;
        std::vector<LatticePred> collected;
        for (int a = 0; a < slot.count; ++a) {
            if (startNodes && k == 0) startNodes->push_back(static_cast<int32_t>(nodes.size()));
            pendingExits = saved;
            expand(slot.strings[a]);
            collected.insert(collected.end(), pendingExits.begin(), pendingExits.end());
        }
        pendingExits = std::move(collected);
    }
}

LatticeNode** CTextbasedPhnRecognizer::BuildLattice(CAccousticHMM* model, CBlockPool* pool,
                                                    TranscriptMarker* first, TranscriptMarker* end,
                                                    std::vector<int32_t>& startNodes, int* nodeCount,
                                                    CProgress* progress) {
    const int S = model->numStates;
    startNodes.assign(1, 0);
    std::vector<LatticeNode*> nodes;
    std::vector<LatticePred> pendingExits;
    bool firstWord = true;
    for (TranscriptMarker* m = first; m < end; ++m) {
        // A script of hundreds of thousands of words takes seconds to expand.
        if (progress && (m - first) % kMarkersPerCancelCheck == kMarkersPerCancelCheck - 1 &&
            progress->Progress(0, 0)) {
            *nodeCount = -1;
            return nullptr;
        }
        if (m->slotCount != 0) AddPhoneNodes(model, 0, nodes, pool, false, pendingExits);
        m->phonemeStart = static_cast<int32_t>(nodes.size()) / S;
        ExpandWord(model, nodes, firstWord ? &startNodes : nullptr, *m, pool, pendingExits);
        m->phonemeEnd = static_cast<int32_t>(nodes.size()) / S;
        if (m->slotCount != 0) firstWord = false;
    }
    AddPhoneNodes(model, 0, nodes, pool, false, pendingExits);
    for (TranscriptMarker* m = first; m < end; ++m) {
        if (m->slotCount != 0) continue;
        for (TranscriptMarker* next = m + 1; next < end; ++next) {
            if (next->slotCount != 0) {
                m->phonemeStart = m->phonemeEnd = next->phonemeStart;
                break;
            }
        }
    }
    *nodeCount = static_cast<int>(nodes.size());
    auto** array = static_cast<LatticeNode**>(
        pool->Alloc(static_cast<int>(sizeof(LatticeNode*) * std::max<size_t>(1, nodes.size()))));
    if (!array) {
        *nodeCount = 0;
        return nullptr;
    }
    std::copy(nodes.begin(), nodes.end(), array);
    return array;
}

int CTextbasedPhnRecognizer::ReadDormantMarkerRegion(CAccousticHMM* model, LatticeNode** nodes, int P,
                                                     double period, IObservationStream* obs,
                                                     TArray<float>& energies, TArray<SyncMarker>& out) {
    CFuncTrace trace("CTextbasedPhnRecognizer::ReadDormantMarkerRegion");
    const int F = static_cast<int>(obs->GetFrameCount());
    if (F > 0) {
        if (!energies.SetSize(F)) return kErrOutOfMemory;
        std::vector<float> features(static_cast<size_t>(std::max(1, model->features.numFeatures)));
        for (int t = 0; t < F; ++t) {
            const int code = obs->ReadFrame(features.data(), &energies.data[t]);
            if (code != kErrNone) return code;
        }
    }
    if (P >= 1 && F >= 1) {
        SyncMarker r;
        std::memset(&r, 0, sizeof(r));
        r.type = kSyncPhoneme;
        r.start = static_cast<int>(std::trunc(0.5 * period));
        r.end = static_cast<int>(std::trunc((F + 0.5) * period));
        const int m = nodes[0]->model;
        if (m < static_cast<int>(model->labels.size())) std::strncpy(r.label, model->Label(m), 3);
        r.reserved[0] = 0;
        if (!out.Append(r)) return kErrOutOfMemory;
    }
    return kErrNone;
}

void CTextbasedPhnRecognizer::MergeSegmentRecords(ISyncResultsCollection* results, int offset,
                                                  TArray<SyncMarker>& records, TranscriptMarker* first,
                                                  TranscriptMarker* end, const char* text,
                                                  int textLength) {
    CConcreteSyncMarkerCollection* concrete = AsConcreteCollection(results);
    auto put = [&](const SyncMarker& r) {
        if (concrete) {
            if (!concrete->Append(r) && r.type != kSyncPhoneme) MemFree(r.text);
        } else {
            results->add_marker(&r);
        }
    };
    for (int k = 0; k < records.count; ++k) {
        records.data[k].start += offset;
        records.data[k].end += offset;
    }
    TranscriptMarker* cursor = first;
    for (int k = 0; k < records.count; ++k) {
        const SyncMarker& rec = records.data[k];
        while (cursor < end && (RecordPhoneIndex(rec) >= cursor->phonemeStart || k == records.count - 1)) {
            int type = 0;
            if (cursor->kind == kTranscriptWord) type = kSyncWord;
            if (cursor->kind == kTranscriptPunctuation) type = kSyncSentence;
            if (cursor->kind == kTranscriptMarkup) type = kSyncXml;
            if (type != 0) {
                SyncMarker w;
                std::memset(&w, 0, sizeof(w));
                w.type = type;
                w.start = rec.start;
                w.end = records.data[records.count - 1].end;
                for (int j = k; j < records.count; ++j) {
                    if (RecordPhoneIndex(records.data[j]) >= cursor->phonemeEnd) {
                        w.end = records.data[j].start;
                        break;
                    }
                }
                w.textOffset = cursor->textStart;
                int length = cursor->textEnd - cursor->textStart;
                if (text && cursor->textEnd > textLength) length = textLength - cursor->textStart;
                w.textLength = length;
                w.text = nullptr;
                if (text && length >= 0 && cursor->textStart >= 0 && cursor->textStart <= textLength) {
                    w.text = static_cast<char*>(MemAlloc(static_cast<size_t>(length) + 1, 0));
                    if (w.text) {
                        std::memcpy(w.text, text + cursor->textStart, static_cast<size_t>(length));
                        w.text[length] = '\0';
                    }
                }
                put(w);
            }
            ++cursor;
        }
        put(rec);
    }
}
