// Marker commands on a document over the bundled recording, with a scripted selection and
// scripted dialogs.
#include "app/core/marker_commands.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/core/active_context.h"
#include "app/core/command_router.h"
#include "app/core/document_test_support.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "engine/articulation/phoneme_mixture_articulator.h"
#include "engine/audio/memory_pcm_stream.h"
#include "model/articulation_key.h"

namespace {

namespace fs = std::filesystem;

template <class L>
std::string Describe(const L& list) {
    std::ostringstream out;
    for (const auto& m : list)
        out << (out.tellp() > 0 ? " " : "") << m.label << "[" << m.start << "," << m.end << "]" << m.value;
    return out.str();
}

class scripted_dialogs : public marker_command_dialogs {
public:
    bool EditGesture(FGesture* g) override {
        shownGesture = *g;
        if (ok) *g = gesture;
        return ok;
    }
    bool EditEvent(std::string* text, int* duration) override {
        shownText = *text;
        shownDuration = *duration;
        if (ok && !keep) *text = eventText, *duration = eventDuration;
        return ok;
    }
    bool ChooseDeleteMask(bool audio_selected, uint32_t* m) override {
        shownAudioSelected = audio_selected;
        *m = mask;
        return ok;
    }
    bool ok = true;
    bool keep = false;  // OK on the values shown
    FGesture gesture, shownGesture;
    std::string eventText, shownText;
    int eventDuration = 0, shownDuration = -1;
    uint32_t mask = 0;
    bool shownAudioSelected = false;
};

og_marker Og(const char* label, int s, int e) { return og_marker(s, e, label); }

class MarkerCommandTest : public document_test::DocumentFixture {
protected:
    void SetUp() override {
        DocumentFixture::SetUp();
        CopySpeech(".wav", "take.wav");
        Reset();
        // The rows as the program installs them, over the fixture's document.
        InstallActiveRows(router_, context_, MarkerCommandRows(dialogs_));
    }
    void TearDown() override {
        view_.reset();
        doc_.reset();
        DocumentFixture::TearDown();
    }
    void Reset() {
        view_.reset();
        doc_ = std::make_unique<CPhonarcDoc>(host_);
        ASSERT_TRUE(doc_->OnOpenDocument((dir_ / "take.wav").string()));
        view_ = std::make_unique<document_test::selection_view>(doc_.get());
        doc_->AddView(view_.get());
        doc_->SetSelectionSource(view_.get());
        app_sync_results t;
        t.phonemes.push_back(phn_marker(0, 500, "a", 40));
        t.phonemes.push_back(phn_marker(500, 1000, "b", 55));
        t.phonemes.push_back(phn_marker(1000, 1500, "c", 30));
        t.words = {Og("one", 0, 500), Og("two", 600, 900), Og("three", 1000, 1400)};
        t.punctuation = {Og(",", 500, 500)};
        t.xml_events = {Og("wave", 200, 400), Og("nod", 1200, 1400)};
        for (auto [s, e] : {std::pair{100, 700}, std::pair{1000, 1800}}) t.gestures.push_back(FGesture(FGesture::kPose, s, e, 0));
        art_marker key;
        key.start = 0, key.end = 1500;
        t.articulation.push_back(key);
        doc_->SetTrackResults(t, 1);
    }
    void Select(int s, int e) {
        view_->SelectMs(s, e);
    }
    std::string UndoName() { return doc_->GetUndoManager().GetActionName(doc_.get(), false, 0); }
    const app_sync_results& T() { return doc_->track(1); }

    class fixture_context : public active_context {
    public:
        explicit fixture_context(std::unique_ptr<CPhonarcDoc>& doc) : doc_(doc) {}
        CPhonarcDoc* Document() const override { return doc_.get(); }

    private:
        std::unique_ptr<CPhonarcDoc>& doc_;
    };

    std::unique_ptr<CPhonarcDoc> doc_;
    std::unique_ptr<document_test::selection_view> view_;
    scripted_dialogs dialogs_;
    fixture_context context_{doc_};
    CCommandRouter router_;
};

TEST(PhonemeCommands, IdsLabelsAndTypedKeys) {
    EXPECT_EQ(LoadCommandLabel(32857), "x");
    EXPECT_EQ(LoadCommandLabel(32896), "UW");
    EXPECT_EQ(LoadCommandLabel(32856), "");
    EXPECT_EQ(PhonemeCommandMenuText(32857), "x\tsilence");
    const int aa = cmd::PhonemeFirst + 26;
    ASSERT_EQ(LoadCommandLabel(aa), "AA");
    const std::pair<const char*, int> cases[] = {
        {"o", aa}, {"AA", aa}, {"aa", aa}, {"x", 32857}, {"X", 32857}, {"O", PhonemeCommandFromLabel("OW")},
        {"U", 32896}, {"q", -1}, {"", -1}, {"AAA", -1}};
    for (auto [label, id] : cases) EXPECT_EQ(PhonemeCommandFromLabel(label), id) << label;
}

TEST_F(MarkerCommandTest, SetPhonemeTakesTheLargestEnergyOrSeventy) {
    struct set_case {
        const char* what;
        int s, e;
        const char* after;
    };
    const set_case cases[] = {
        {"over energies 40 and 55", 300, 700, "a[0,300]40 AA[300,700]55 b[700,1000]55 c[1000,1500]30"},
        {"over no phoneme", 1600, 1800, "a[0,500]40 b[500,1000]55 c[1000,1500]30 AA[1600,1800]70"},
        {"a cursor inside a phoneme replaces it", 750, 750, "a[0,500]40 AA[500,1000]55 c[1000,1500]30"},
        {"a cursor on nothing makes 100 ms", 2000, 2000, "a[0,500]40 b[500,1000]55 c[1000,1500]30 AA[2000,2100]70"},
    };
    for (const set_case& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        Select(c.s, c.e);
        EXPECT_TRUE(router_.Update(cmd::PhonemeFirst + 26).enabled);
        ASSERT_TRUE(router_.Execute(cmd::PhonemeFirst + 26));
        EXPECT_EQ(Describe(T().phonemes), c.after);
        EXPECT_EQ(UndoName(), kUndoSetPhoneme);
    }
    Reset();
    EXPECT_FALSE(router_.Update(cmd::PhonemeFirst).enabled);
    OnSetPhoneme(*doc_, cmd::PhonemeFirst);
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(prompts_.messages[0], kTextNeedSelection);
    Select(0, 100);
    OnSetPhoneme(*doc_, 4);
    EXPECT_EQ(prompts_.messages.back(), "Internal Error: can't find phoneme string for id '4'");
    EXPECT_FALSE(doc_->GetUndoManager().CanUndo(doc_.get(), 1));
}

TEST_F(MarkerCommandTest, ClearSplitsTrimsAndErases) {
    Select(200, 1200);
    ASSERT_TRUE(router_.Execute(cmd::ClearPhonemes));
    EXPECT_EQ(Describe(T().phonemes), "a[0,200]40 c[1200,1500]30");
    EXPECT_EQ(UndoName(), kUndoClearPhonemes);

    Reset();
    app_sync_results t = T();
    t.phonemes = {phn_marker(0, 1000, "a", 40)};
    t.phonemes[0].add_energy(10, 0, 500);
    t.phonemes[0].add_energy(90, 500, 1000);
    doc_->SetTrackResults(t, 1);
    Select(400, 600);
    OnClearPhonemes(*doc_);
    ASSERT_EQ(Describe(T().phonemes), "a[0,400]40 a[600,1000]40");
    EXPECT_NE(T().phonemes[0].id, T().phonemes[1].id);
    EXPECT_EQ(T().phonemes[0].energy.back().end, 400) << "sub-markers rescaled into each piece";
    EXPECT_EQ(T().phonemes[1].energy.front().start, 600);

    Select(300, 300);
    EXPECT_FALSE(router_.Update(cmd::ClearPhonemes).enabled) << "start and end equal";
}

TEST_F(MarkerCommandTest, GestureWordAndEventCommands) {
    Select(650, 650);
    dialogs_.gesture = FGesture(32, 0, 0, 100);
    dialogs_.gesture.gesture_name = "shrug";
    dialogs_.gesture.update_label();
    EXPECT_TRUE(router_.Update(cmd::EditGesture).enabled);
    EXPECT_TRUE(router_.Update(cmd::DeleteWord).enabled);
    EXPECT_FALSE(router_.Update(cmd::EditEvent).enabled);

    OnDeleteWord(*doc_);
    EXPECT_EQ(Describe(T().words), "one[0,500]0 three[1000,1400]0");
    EXPECT_EQ(UndoName(), kUndoDeleteWord);

    Select(900, 1100);
    dialogs_.gesture.start = 900, dialogs_.gesture.end = 1100;
    OnAddGesture(*doc_, dialogs_);
    EXPECT_EQ(dialogs_.shownGesture.start, 900);
    EXPECT_EQ(dialogs_.shownGesture.end, 1100);
    ASSERT_EQ(T().gestures.size(), 3u);
    EXPECT_EQ(T().gestures[1].gesture_name, "shrug") << "before the first gesture starting at or after 900";
    EXPECT_EQ(UndoName(), kUndoAddGesture);
    OnDeleteGesture(*doc_);
    EXPECT_EQ(T().gestures.size(), 1u) << "every gesture overlapping the selection";
    EXPECT_EQ(UndoName(), kUndoDeleteGesture);

    Select(300, 300);
    dialogs_.eventText = "blink";
    dialogs_.eventDuration = 50;
    OnAddEvent(*doc_, dialogs_);
    EXPECT_EQ(dialogs_.shownDuration, 0);
    EXPECT_EQ(Describe(T().xml_events), "wave[200,400]0 blink[300,350]0 nod[1200,1400]0");
    dialogs_.ok = false;
    OnAddEvent(*doc_, dialogs_);
    EXPECT_EQ(T().xml_events.size(), 3u);
}

TEST_F(MarkerCommandTest, EditEventOpensWithTheEventsLength) {
    Select(1300, 1300);
    dialogs_.keep = true;
    OnEditEvent(*doc_, dialogs_);
    EXPECT_EQ(dialogs_.shownText, "nod");
    EXPECT_EQ(dialogs_.shownDuration, 200);
    EXPECT_EQ(Describe(T().xml_events), "wave[200,400]0 nod[1200,1400]0") << "OK keeps the event as it was";
    EXPECT_EQ(UndoName(), kUndoEditEvent);
    dialogs_.keep = false;
    dialogs_.eventText = "shake";
    dialogs_.eventDuration = -30;
    OnEditEvent(*doc_, dialogs_);
    EXPECT_EQ(Describe(T().xml_events), "wave[200,400]0 shake[1200,1200]0") << "never ends before its start";
    Select(1200, 1300);
    OnDeleteEvent(*doc_);
    EXPECT_EQ(Describe(T().xml_events), "wave[200,400]0");
    EXPECT_EQ(UndoName(), kUndoDeleteEvent);
}

TEST_F(MarkerCommandTest, DeleteMarkersByMask) {
    struct mask_case {
        uint32_t mask;
        bool selected;
        // Counts left of phonemes, words, punctuation, events, gestures; articulation kept (1),
        // gone (0) or rebuilt (2).
        int phonemes, words, punct, events, gestures, art;
    };
    const mask_case cases[] = {
        {0x10, true, 3, 3, 1, 0, 2, 1},  // events only: the range is ignored without 0x01
        {0x04, false, 0, 3, 1, 2, 2, 0},
        {0x02, false, 3, 3, 1, 2, 2, 2},
        {0x01 | 0x08, true, 3, 2, 1, 2, 2, 1},  // [600, 900]: the word there
        {0x01 | 0x08, false, 3, 0, 0, 2, 2, 1}, // no audio selection: the whole track
        {0x01 | 0x20, true, 3, 3, 1, 2, 1, 1},
        {0x3E, false, 0, 0, 0, 0, 0, 0},
    };
    for (const mask_case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mask " << c.mask << (c.selected ? " selected" : ""));
        Reset();
        if (c.selected) Select(600, 900);
        dialogs_.mask = c.mask;
        ASSERT_TRUE(router_.Execute(cmd::DeleteMarkers));
        EXPECT_EQ(dialogs_.shownAudioSelected, c.selected);
        EXPECT_EQ(UndoName(), kUndoDelete);
        EXPECT_EQ(T().phonemes.size(), size_t(c.phonemes));
        EXPECT_EQ(T().words.size(), size_t(c.words));
        EXPECT_EQ(T().punctuation.size(), size_t(c.punct));
        EXPECT_EQ(T().xml_events.size(), size_t(c.events));
        EXPECT_EQ(T().gestures.size(), size_t(c.gestures));
        if (c.art == 2)
            EXPECT_GT(T().articulation.size(), 1u) << "built again from the phonemes";
        else
            EXPECT_EQ(T().articulation.size(), size_t(c.art));
    }
    Reset();
    Select(600, 600);
    dialogs_.mask = 0x01 | 0x08;
    OnDeleteMarkers(*doc_, dialogs_);
    EXPECT_FALSE(dialogs_.shownAudioSelected) << "a cursor is no audio selection";
    dialogs_.ok = false;
    const size_t words = T().words.size();
    OnDeleteMarkers(*doc_, dialogs_);
    EXPECT_EQ(T().words.size(), words);
}

ArticulationKey Key(const char* code, float weight, int s, int e) {
    ArticulationKey k{};
    k.count = 1;
    std::snprintf(k.pairs[0].code, sizeof k.pairs[0].code, "%s", code);
    k.pairs[0].weight = weight;
    k.start = s;
    k.end = e;
    return k;
}

TEST(Framize, RunsOfKeysBecomePhonemes) {
    struct key_case {
        const char* what;
        std::vector<ArticulationKey> keys;
        const char* phonemes;
    };
    const key_case cases[] = {
        {"three of one code", {Key("AA", .8f, 0, 83), Key("AA", .6f, 83, 166), Key("AA", .4f, 166, 250)},
         "AA[0,83]80 AA[83,166]50 AA[166,250]20"},
        {"two, then another code",
         {Key("AA", .8f, 0, 83), Key("AA", .6f, 83, 166), Key("EH", .5f, 166, 250)},
         "AA[0,83]80 AA[83,166]60 EH[166,250]50"},
        {"closed and silent codes have no energy", {Key("m", .9f, 0, 83), Key("x", 1, 83, 166)},
         "m[0,83]0 x[83,166]0"},
    };
    for (const key_case& c : cases) {
        const phn_marker_list out = PhonemesFromKeys(c.keys.data(), c.keys.data() + c.keys.size());
        EXPECT_EQ(Describe(out), c.phonemes) << c.what;
    }
    EXPECT_TRUE(PhonemesFromKeys(nullptr, nullptr).empty());
}

TEST_F(MarkerCommandTest, FramizeSnapsToTwelveFramesAndKeepsTheUsersSettings) {
    auto* art = dynamic_cast<CPhonemeMixtureArticulator*>(doc_->articulator());
    ASSERT_NE(art, nullptr);
    const auto before = art->GetSettings();
    const articulation_list keys = T().articulation;
    ASSERT_TRUE(router_.Execute(cmd::Framize));
    EXPECT_EQ(UndoName(), kUndoFramize);
    for (const phn_marker& p : T().phonemes) {
        const double frame = std::round(p.start * 12 / 1000.0);
        EXPECT_NEAR(p.start, frame * 1000 / 12, 1.0) << "on the 12 fps grid";
    }
    EXPECT_GT(T().phonemes.size(), 0u);
    EXPECT_EQ(T().articulation.size(), keys.size()) << "the keys stay as they were";
    const auto after = art->GetSettings();
    EXPECT_EQ(after.frameRate, before.frameRate);
    EXPECT_EQ(after.frameRateOverride, before.frameRateOverride);
    EXPECT_EQ(after.level, before.level);
    EXPECT_EQ(after.flags, before.flags);
}

TEST_F(MarkerCommandTest, DefaultArticulatorBringsTheBuiltInRulesBack) {
    auto* art = dynamic_cast<CPhonemeMixtureArticulator*>(doc_->articulator());
    ASSERT_NE(art, nullptr);
    const fs::path rules = dir_ / "rules.txt";
    std::ofstream(rules) << "framerate 24\nx .5 50 50\n";
    prompts_.files = {rules.string()};
    doc_->settings().OnArticulatorChoose();
    ASSERT_EQ(art->Rules().rules.size(), 1u);
    doc_->settings().OnArticulatorDefault();
    EXPECT_GT(art->Rules().rules.size(), 1u);
    EXPECT_TRUE(doc_->settings().UpdateArticulatorDefault().checked);
}

}  // namespace
