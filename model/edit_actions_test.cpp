// Undoable edit actions: track, audio and animation edits restore the exact state, and groups
// are one level of the history undone in reverse order.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "model/edit_actions.h"
#include "model/sync_results_file.h"

namespace {

// A recording stand-in with the stream's destroy operation.
struct fake_stream {
    explicit fake_stream(std::vector<short> s, int* destroyed) : samples(std::move(s)), destroyed_count(destroyed) {}
    void Destroy() {
        ++*destroyed_count;
        delete this;
    }
    std::vector<short> samples;
    int* destroyed_count;
};

struct fake_anim {
    std::vector<std::string> gestures;
};

class test_document : public sync_track_target, public audio_samples_target, public anim_target, public modified_flag_owner {
public:
    test_document() { undo.Register(this, 25000, DefaultUndoNotify); }
    CUndoManager& GetUndoManager() override { return undo; }
    void SetModifiedFlag(bool m) override {
        modified = m;
        log.push_back(m ? "modified" : "unmodified");
    }
    void SetTrackResults(const app_sync_results& track, int index) override {
        tracks[index] = track;
        log.push_back("track " + std::to_string(index));
    }
    void SetAudioSamples(const audio_samples& s) override {
        audio = static_cast<const pcm_stream_samples<fake_stream>&>(s).stream->samples;
        log.push_back("audio");
    }
    void SetAnim(const anim_snapshot& a) override {
        anim = static_cast<const anim_copy<fake_anim>&>(a).anim;
        log.push_back("anim");
    }

    CUndoManager undo;
    bool modified = false;
    app_sync_results tracks[3];
    std::vector<short> audio;
    fake_anim anim;
    std::vector<std::string> log;
};

// Every field the file keeps, plus the serial ids, which the file does not.
std::string dump(const app_sync_results& t) {
    sync_results_file f;
    f.results = t;
    std::ostringstream out;
    f.write(out, 0, kWriteAll);
    for (const phn_marker& p : t.phonemes) out << p.id << ' ';
    for (const og_marker& w : t.words) out << w.id << ' ';
    return out.str();
}

app_sync_results sample_track() {
    app_sync_results t;
    t.phonemes.emplace_back(0, 100, "m", 50.0f);
    t.phonemes.emplace_back(100, 400, "AA", 60.0f);
    t.phonemes[1].add_energy(5.0f, 100, 250);
    t.phonemes[1].add_energy(6.0f, 250, 400);
    t.phonemes.emplace_back(400, 500, "x", 0.0f);
    t.words.emplace_back(0, 400, "ma");
    return t;
}

TEST(SyncEditAction, UndoAndRedoRestoreTheWholeTrack) {
    test_document doc;
    const app_sync_results before = sample_track();
    doc.tracks[1] = before;
    app_sync_results after = before;
    after.phonemes.move_end(&after.phonemes[0], 150);  // edits the middle only
    after.words[0].set_label("mama");

    (new sync_edit_action("Edit", &doc, before, after, 1))->Do();
    EXPECT_EQ(dump(doc.tracks[1]), dump(after));
    EXPECT_TRUE(doc.modified);
    EXPECT_EQ(doc.log, (std::vector<std::string>{"modified", "track 1"}));  // flag first, change second
    EXPECT_EQ(doc.undo.GetActionName(&doc, false, 0), "Edit");

    doc.undo.Undo(&doc, 1);
    EXPECT_EQ(dump(doc.tracks[1]), dump(before));
    EXPECT_FALSE(doc.modified);
    doc.undo.Redo(&doc, 1);
    EXPECT_EQ(dump(doc.tracks[1]), dump(after));
    EXPECT_TRUE(doc.tracks[0].phonemes.empty());
}

TEST(MultiAction, GroupIsOneLevelUndoneInReverse) {
    test_document doc;
    const app_sync_results before1 = sample_track();
    doc.tracks[1] = before1;
    app_sync_results after1 = before1;
    after1.clear(kClearInRange | kClearPhonemes, 120, 300);
    app_sync_results after2;
    after2.words.emplace_back(0, 10, "x");
    fake_anim anim_before{{"idle"}};
    fake_anim anim_after{{"idle", "nod"}};
    doc.anim = anim_before;

    auto* group = new multi_action("Text-based Lipsync", &doc);
    group->Add(new sync_edit_action("a", &doc, before1, after1, 1));
    group->Add(new sync_edit_action("b", &doc, app_sync_results(), after2, 2));
    group->Add(new swf_edit_action("c", &doc, anim_copy<fake_anim>(anim_before), anim_copy<fake_anim>(anim_after)));
    anim_after.gestures.clear();  // the action holds its own copy
    doc.log.clear();
    group->Do();
    EXPECT_EQ(doc.log, (std::vector<std::string>{"track 1", "track 2", "anim", "modified"}));
    EXPECT_EQ(doc.undo.Find(&doc)->undo_stack().size(), 1u);
    EXPECT_EQ(doc.undo.GetActionName(&doc, false, 0), "Text-based Lipsync");
    EXPECT_EQ(doc.anim.gestures, (std::vector<std::string>{"idle", "nod"}));

    doc.log.clear();
    doc.undo.Undo(&doc, 1);
    EXPECT_EQ(doc.log, (std::vector<std::string>{"anim", "track 2", "track 1", "unmodified"}));
    EXPECT_EQ(dump(doc.tracks[1]), dump(before1));
    EXPECT_EQ(dump(doc.tracks[2]), dump(app_sync_results()));
    EXPECT_EQ(doc.anim.gestures, std::vector<std::string>{"idle"});
    for (CAction* child : group->children()) EXPECT_TRUE(child->IsUndone());

    doc.log.clear();
    doc.undo.Redo(&doc, 1);
    EXPECT_EQ(doc.log, (std::vector<std::string>{"track 1", "track 2", "anim", "modified"}));
    EXPECT_EQ(dump(doc.tracks[1]), dump(after1));
    EXPECT_EQ(dump(doc.tracks[2]), dump(after2));
}

TEST(MultiAction, EmptyGroupIsStillOneLevel) {
    test_document doc;
    (new multi_action("Nothing", &doc))->Do();
    EXPECT_TRUE(doc.undo.CanUndo(&doc, 1));
    doc.undo.Undo(&doc, 1);
    EXPECT_FALSE(doc.modified);
}

TEST(AudioFilterAction, RestoresSamplesAndDestroysBothCopies) {
    int destroyed = 0;
    {
        test_document doc;
        doc.audio = {1, 2, 3};
        auto before = std::make_unique<pcm_stream_samples<fake_stream>>(new fake_stream({1, 2, 3}, &destroyed));
        auto after = std::make_unique<pcm_stream_samples<fake_stream>>(new fake_stream({0, 2, 0}, &destroyed));
        (new audio_filter_action("Noise Gate", &doc, std::move(before), std::move(after)))->Do();
        EXPECT_EQ(doc.audio, (std::vector<short>{0, 2, 0}));
        doc.undo.Undo(&doc, 1);
        EXPECT_EQ(doc.audio, (std::vector<short>{1, 2, 3}));
        doc.undo.Redo(&doc, 1);
        EXPECT_EQ(doc.audio, (std::vector<short>{0, 2, 0}));
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 2);  // the history went with the document
}

}  // namespace
