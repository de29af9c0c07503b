// The textless recogniser: finds a phoneme sequence in a recording without a script, with a
// phone-loop search over the model's global transitions or, when a phone trigram model is
// loaded, a language-model search; the best path becomes phoneme records.
#pragma once

#include <cstdint>

#include "engine/recognition/acc_phn_viterbi.h"

class ISyncResultsCollection;

// One live state of one frame of the language-model search.
struct LMToken {
    int16_t model;
    // The model of the phone before this token's phone, -1 when there is none; it picks the
    // trigram when the path leaves this phone.
    int16_t prevModel;
    double score;    // normalised path probability
    uint16_t state;  // state within the model
    int32_t back;    // index of the predecessor token, -1 for a first-frame token
    uint16_t duration;  // frames spent in the current model so far (1 in its first frame)
};

// The tokens of the frame being extended and of the frame before it. One search at a time.
class CTokenList {
public:
    static constexpr int32_t kDefaultGrowBy = 1024000;
    explicit CTokenList(int32_t growStep = 0) : growBy(growStep > 0 ? growStep : kDefaultGrowBy) {}
    CTokenList(const CTokenList&) = delete;
    CTokenList& operator=(const CTokenList&) = delete;
    virtual ~CTokenList();

    virtual bool AddInitial(int16_t model, double score, uint16_t state);
    virtual bool AddSuccessor(const LMToken* from, int32_t fromIndex, int16_t model, double score,
                              uint16_t state);
    // Drops the tokens before base (the frames already traced into the backpointer rows) and
    // moves the rest to the front; base becomes 0.
    virtual void Compact();
    // True when extra more tokens fit.
    virtual bool EnsureRoom(int32_t extra);
    // Grows by whole steps to at least n tokens; false (nothing changed) when memory runs out.
    virtual bool Reserve(int32_t n);

    LMToken* data = nullptr;
    int32_t capacity = 0;
    int32_t growBy;
    int32_t count = 0;
    int32_t base = 0;  // first token of the frame being extended
};

// Runs on the caller's thread; no state between calls.
class CTextlessPhnRecognizer : public CAccPhnViterbi {
public:
    static int CreateTextlessPhnRecognizer(CTextlessPhnRecognizer** out);
    static void DestroyTextlessPhnRecognizer(CTextlessPhnRecognizer* recognizer);

    CTextlessPhnRecognizer() = default;
    ~CTextlessPhnRecognizer() override = default;

    // Recognises the whole stream and replaces the collection's records with the result. 0; 2 for
    // a null argument; 1 when memory runs out; 5 when cancelled; 8 when the language-model search
    // keeps no state to the last frame (the path is still written); a frame read error.
    virtual int RecognizePhonemes(IObservationStream* obs, CAccousticHMM* model, CProgress* progress,
                                  ISyncResultsCollection* results);
    // The language-model search.
    virtual int ViterbiLM(CAccousticHMM* model, IObservationStream* obs, CProgress* progress,
                          TArray<int32_t>& path, TArray<float>& energies);

    using CAccPhnViterbi::Viterbi;
    // The phone-loop search; hands over to ViterbiLM when the model carries a language model.
    int Viterbi(CAccousticHMM* model, IObservationStream* obs, CProgress* progress,
                TArray<int32_t>& path, TArray<float>& energies) override;
};
