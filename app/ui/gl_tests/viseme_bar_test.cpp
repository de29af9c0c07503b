// The viewer bar on a real OpenGL context (an X server with Mesa): its layout, the camera kept in
// the profile, the load fallbacks, switching heads while the viseme thread plays, a character made
// in the setup dialog and saved as a pack, and a picture of the main window.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include "app/core/actor_mgr.h"
#include "app/core/command_router.h"
#include "app/core/compiled_pack_target.h"
#include "app/core/document_test_support.h"
#include "app/core/output_log.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "app/ui/character_setup_dlg.h"
#include "app/core/command_ids.h"
#include "app/ui/main_frame.h"
#include "app/ui/phonarc_app.h"
#include "app/ui/sizing_control_bar.h"
#include "app/ui/viseme_bar.h"
#include "model/app_sync_results.h"
#include "model/articulation_key.h"
#include "model/phoneme_codes.h"
#include "model/pub_queue.h"
#include "platform/safe_save.h"
#include "platform/wave_out_silent.h"
#include "views/heads/d3d/d3d_viseme_view.h"
#include "views/heads/head2d/wireframe_viseme_view.h"
#include "views/heads/model_files/head_test_support.h"
#include "views/playback/playback_test_support.h"
#include "views/playback/viseme_handler.h"
#include "views/playback/viseme_player.h"
#include "views/playback/viseme_relay.h"
#include "views/playback/wave_player.h"

namespace {

constexpr float kDefaultVertical = 0.17453294f;

// A bar whose built-in heads can be taken away, to see the fallbacks.
class TestBar : public CVisemeDlgBar {
public:
    using CVisemeDlgBar::CVisemeDlgBar;
    std::set<uint32_t> missing;

protected:
    ResourceBytes FindHeadResource(const std::string& type, uint32_t id) const override {
        if (missing.count(id)) return {};
        return CVisemeDlgBar::FindHeadResource(type, id);
    }
};

// Rows assigning all 40 codes, each row's viseme a generated model file whose jaw drops further
// row by row, and the character file to write.
void FillSetupDialog(CZuvoChrSetupDlg& dlg, const head_test::temp_folder& dir) {
    const char* groups[kCharacterSetupRows] = {"x m p b", "v f",     "ZH CH j SH", "s z",   "DH TH t",
                                               "NG g k h", "r ER",   "w UH UW",    "AW IY y", "IH AE",
                                               "AY EY EH", "n d l",  "AA AH AO OW OY"};
    const std::vector<d3d_vector3> rest = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}, {0, -1.5f, 0.2f}};
    for (int r = 0; r < kCharacterSetupRows; ++r) {
        std::vector<d3d_vector3> shape = rest;
        shape[4].y -= 0.1f * static_cast<float>(r);
        const std::string name = "viseme" + std::to_string(r) + ".x";
        dir.WriteModel(name, head_test::FanMesh(shape));
        dlg.PhonemeEdit(r)->setText(groups[r]);
        dlg.MediaEdit(r)->setText(QString::fromStdString(dir.Path() + name));
    }
    dlg.CharacterFileEdit()->setText(QString::fromStdString(dir.Path() + "made.txt"));
}

class ViewerBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        actors.Init(profile);
        CD3dVisemeView::GetCamera(saved[0], saved[1], saved[2]);
        CD3dVisemeView view;
        view.SetCamera(1.0f, 0.0f, kDefaultVertical);
    }
    void TearDown() override {
        SetVisemeHandler(nullptr);
        bar.reset();
        pub_queue::destroy_instance();
    }
    TestBar& MakeBar(std::set<uint32_t> missing = {}) {
        bar = std::make_unique<TestBar>(actors, profile, prompts);
        bar->missing = std::move(missing);
        bar->resize(210, 400);
        bar->InitViews();
        bar->show();
        QApplication::processEvents();
        return *bar;
    }
    void Deliver() {
        for (int i = 0; i < 5; ++i) {
            pub_queue::dispatch();
            QApplication::processEvents();
        }
    }
    std::string Selected() const { return actors.GetSelectedActor().name; }

    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    actor_mgr actors;
    std::unique_ptr<TestBar> bar;
    float saved[3] = {};
};

TEST(ViewerBarLayout, ViewIsNoTallerThanOneAndAHalfWidths) {
    struct Case {
        int width, height, viewHeight;
    } cases[] = {{100, 500, 150}, {210, 120, 63}, {210, 57, 0}, {1, 500, 1}};
    for (const Case& c : cases) {
        const VisemeBarLayout l = LayoutVisemeBar(QRect(0, 0, c.width, c.height));
        EXPECT_EQ(l.view.height(), c.viewHeight) << c.width << "x" << c.height;
        EXPECT_EQ(l.view.width(), c.width);
        EXPECT_EQ(l.actorList.top(), c.viewHeight + 2);
        EXPECT_EQ(l.zoomIn.top(), c.viewHeight + 24);
        EXPECT_EQ(l.smooth.top(), c.viewHeight + 42);
        EXPECT_EQ(l.actorList.left(), std::max(0, c.width - 150));
        EXPECT_EQ(l.zoomOut.left(), l.zoomIn.left() + 65);
    }
    // A list whose names need more room gets it, and the rows below make way.
    const VisemeBarLayout wide = LayoutVisemeBar(QRect(0, 0, 210, 300), QSize(190, 26));
    EXPECT_EQ(wide.view.height(), 237);
    EXPECT_EQ(wide.actorList, QRect(18, 239, 190, 26));
    EXPECT_EQ(wide.zoomIn.top(), 267);
    EXPECT_EQ(wide.smooth.top(), 285);
}

TEST_F(ViewerBarTest, StartsWithTheDefault3dHeadAndSizesItsView) {
    TestBar& b = MakeBar();
    ASSERT_NE(b.D3dView(), nullptr);
    EXPECT_TRUE(b.D3dView()->HasCharacter());
    EXPECT_TRUE(b.IsSmoothVisemes());
    EXPECT_TRUE(b.ZoomInButton()->isEnabled());
    // The three built-in actors, then the import entry; the default selected.
    ASSERT_EQ(b.ActorList()->count(), 4);
    EXPECT_EQ(b.ImportIndex(), 3);
    EXPECT_EQ(b.ActorList()->itemText(3), "Import New Actor...");
    EXPECT_EQ(b.ActorList()->currentText(), "High Poly D3D Model");
    EXPECT_FALSE(b.CanSaveCompiledCharacter());  // a built-in pack
    b.resize(100, 500);
    QApplication::processEvents();
    EXPECT_EQ(b.View()->geometry(), QRect(0, 0, 100, 150));

    // Choosing "Import New Actor..." and cancelling keeps the list and the selection.
    b.OnActorSelChange(b.ImportIndex());
    Deliver();
    EXPECT_EQ(b.ActorList()->count(), 4);
    EXPECT_EQ(b.ActorList()->currentText(), "High Poly D3D Model");
    EXPECT_EQ(prompts.fileRequests.size(), 1u);
}

TEST_F(ViewerBarTest, ZoomSavesTheCameraAndOnlyAPositiveDistanceIsRestored) {
    TestBar& b = MakeBar();
    for (int i = 0; i < 5; ++i) b.OnZoomIn();
    EXPECT_EQ(profile.GetString("UI", "3d_dist1", ""), "1.276281");
    EXPECT_EQ(profile.GetString("UI", "3d_angle", ""), "0.000000");
    EXPECT_EQ(profile.GetString("UI", "3d_angle_vert", ""), "0.174533");

    struct Case {
        const char* distance;
        float expected;
    } cases[] = {{"0", 0.5f}, {"", 0.5f}, {"-1.0", 0.5f}, {"2.000000", 2.0f}};
    for (const Case& c : cases) {
        b.D3dView()->SetCamera(0.5f, 0.0f, kDefaultVertical);
        profile.WriteString("UI", "3d_dist1", c.distance);
        b.RestoreViewSettings();
        float d, a, v;
        CD3dVisemeView::GetCamera(d, a, v);
        EXPECT_FLOAT_EQ(d, c.expected) << "'" << c.distance << "'";
    }

    // The 2D head has no camera: zooming changes and saves nothing.
    actors.SelectActor(actors.GetFirstActor());
    Deliver();
    ASSERT_EQ(b.D3dView(), nullptr);
    ASSERT_NE(dynamic_cast<CWireFrameVisemeView*>(b.View()), nullptr);
    profile.WriteString("UI", "3d_dist1", "untouched");
    b.OnZoomIn();
    b.OnZoomOut();
    EXPECT_EQ(profile.GetString("UI", "3d_dist1", ""), "untouched");
    EXPECT_FALSE(b.CanSaveCompiledCharacter());
    EXPECT_EQ(b.ActorList()->currentText(), "Wireframe View");
}

TEST_F(ViewerBarTest, AFailedDefaultSelectsTheFirstActorAndAnotherFailureTheDefault) {
    TestBar& b = MakeBar({kHighPolyHeadId});
    // At start the default cannot load: the first actor is shown, the selection not moved.
    ASSERT_NE(dynamic_cast<CWireFrameVisemeView*>(b.View()), nullptr);
    actors.SelectActor(actors.GetDefaultActor());
    Deliver();
    EXPECT_EQ(Selected(), "Wireframe View");
    EXPECT_EQ(b.ActorList()->currentText(), "Wireframe View");
    EXPECT_NE(dynamic_cast<CWireFrameVisemeView*>(b.View()), nullptr);

    // Any other actor that fails falls back to the default (which here falls to the first).
    b.missing = {kLowPolyHeadId, kHighPolyHeadId};
    ActorRecord low;
    ASSERT_TRUE(actors.FindActor(kLowPolyActorGuid, &low));
    actors.SelectActor(low);
    Deliver();
    EXPECT_EQ(Selected(), "Wireframe View");

    // A character file that does not open is named, and the head shown stays.
    b.missing.clear();
    actors.AddActor("gone", "/nonexistent/gone.txt");
    Deliver();
    EXPECT_EQ(Selected(), "Wireframe View");
    EXPECT_EQ(b.D3dView(), nullptr);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].rfind("The character file '/nonexistent/gone.txt' cannot be shown: cannot read", 0), 0u)
        << prompts.messages[0];
}

// Counts the shapes that reach the bar, which it stands in front of as the main frame does.
class ShapeCounter : public IVisemeHandler {
public:
    explicit ShapeCounter(CVisemeDlgBar& bar) : bar_(bar) {}
    void SetVisemeMix(const ArticulationKey* key) override {
        ++shown;
        bar_.SetVisemeMix(key);
    }
    void SetViseme(const char* label, int32_t amount) override {
        ++shown;
        bar_.SetViseme(label, amount);
    }
    int shown = 0;

private:
    CVisemeDlgBar& bar_;
};

// The viseme thread keeps sending shapes while heads are replaced; they cross to the GUI thread
// through the relay and reach whichever head is shown then (under AddressSanitizer a call into a
// deleted view is reported, under ThreadSanitizer a view touched off the GUI thread).
TEST_F(ViewerBarTest, SwitchingHeadsWhileTheVisemeThreadPlays) {
    TestBar& b = MakeBar();
    ShapeCounter counter(b);
    SetVisemeHandler(&counter);
    // A virtual clock moved by the rounds: the play lasts however long the head loads take.
    auto clock = std::make_shared<wave_out_virtual_clock>();
    auto stream = playback_test::CountingRecording(16000, 16000 * 30);
    pcmsrc_wave_player wave(wave_out_silent::opener(clock));
    app_sync_results track;
    for (int ms = 0, i = 0; ms < 30000; ms += 40, ++i)
        track.phonemes.emplace_back(ms, ms + 40, kPhonemeCodes[i % kPhonemeCodeCount], 80.0f);
    CVisemePlayer player;
    ASSERT_EQ(wave.Play(stream.get(), 0.03, 4.0, 0, 0), 0);
    player.Start(&wave, track, false);
    // A second sender with hardly a pause, so that shapes wait in the queue at nearly every
    // replacement (the loads' progress dialogs dispatch it too).
    viseme_relay busyRelay;
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    std::thread busy([&] {
        ArticulationKey key{};
        key.count = 1;
        key.pairs[0] = {"AA", 1.0f};
        while (!stop) {
            if (pub_queue::pending_count() >= 20) {
                std::this_thread::yield();
                continue;
            }
            busyRelay.PostVisemeMix(&key);
            ++sent;
        }
    });
    for (int round = 0; round < 10; ++round) {
        actors.SelectActor(round % 2 ? actors.GetDefaultActor() : actors.GetFirstActor());
        Deliver();
        EXPECT_EQ(b.D3dView() != nullptr, round % 2 == 1) << "round " << round;
        EXPECT_TRUE(wave.IsPlaying());
        clock->advance_ms(100);
    }
    ASSERT_TRUE(playback_test::WaitFor([&] { return sent > 10; }));
    stop = true;
    busy.join();
    Deliver();
    EXPECT_GT(counter.shown, 10);
    player.Stop();
    wave.Stop();
    EXPECT_NE(b.D3dView(), nullptr);
}

// A character made in the setup dialog from generated viseme files: written, imported, shown,
// saved as a pack that reads back as the same character, and that pack imported in turn.
TEST_F(ViewerBarTest, CharacterFromTheSetupDialogIsShownAndSavedAsAPack) {
    head_test::temp_folder dir;
    CZuvoChrSetupDlg dlg(prompts);
    FillSetupDialog(dlg, dir);
    dlg.accept();
    ASSERT_EQ(dlg.result(), QDialog::Accepted) << dlg.MessageText().toStdString();
    ASSERT_EQ(dlg.WrittenCharacterFile(), dir.Path() + "made.txt");

    TestBar& b = MakeBar();
    actors.AddActor("made", dlg.WrittenCharacterFile());  // as "New 3d Character..." does
    Deliver();
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages.front();
    EXPECT_EQ(Selected(), "made");
    EXPECT_EQ(b.ActorList()->currentText(), "made");
    ASSERT_NE(b.D3dView(), nullptr);
    const d3d_character& shown = b.D3dView()->Character();
    ASSERT_EQ(shown.morphs.size(), 40u);
    EXPECT_TRUE(b.CanSaveCompiledCharacter());

    // The pack is never written over the character's own files: the text file or a model.
    std::ifstream original(dlg.WrittenCharacterFile(), std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(original), std::istreambuf_iterator<char>()};
    for (const std::string& own : {dlg.WrittenCharacterFile(), dir.Path() + "viseme0.x"}) {
        prompts.files.push_back(own);
        EXPECT_FALSE(b.OnSaveCompiledCharacter()) << own;
        EXPECT_EQ(prompts.messages.back(), PackOverSourceMessage(own));
    }
    std::ifstream kept(dlg.WrittenCharacterFile(), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), std::istreambuf_iterator<char>()), text);

    // The pack is the character as loaded, even when a model file has gone since.
    std::filesystem::remove(dir.Path() + "viseme0.x");
    const std::string packPath = dir.Path() + "made.zcpk";
    prompts.files.push_back(packPath);
    ASSERT_TRUE(b.OnSaveCompiledCharacter());
    EXPECT_EQ(prompts.fileRequests.back().defaultExtension, ".zcpk");
    EXPECT_EQ(prompts.fileRequests.back().initialPath, packPath);
    std::ifstream in(packPath, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    d3d_character back;
    std::string error;
    ASSERT_TRUE(back.ReadCharacterPack(bytes.data(), bytes.size(), &error)) << error;
    ASSERT_EQ(back.morphs.size(), shown.morphs.size());
    for (const auto& [label, morph] : shown.morphs) {
        ASSERT_EQ(back.morphs.count(label), 1u) << label;
        const VisemeMorph& other = back.morphs.at(label);
        ASSERT_EQ(other.arrays.size(), morph.arrays.size()) << label;
        for (std::size_t j = 0; j < morph.arrays.size(); ++j) {
            ASSERT_EQ(other.arrays[j].size(), morph.arrays[j].size()) << label;
            for (std::size_t k = 0; k < morph.arrays[j].size(); ++k) {
                EXPECT_EQ(other.arrays[j][k].x, morph.arrays[j][k].x) << label;
                EXPECT_EQ(other.arrays[j][k].y, morph.arrays[j][k].y) << label;
                EXPECT_EQ(other.arrays[j][k].z, morph.arrays[j][k].z) << label;
            }
        }
    }
    EXPECT_EQ(back.rest_models.size(), shown.rest_models.size());
    for (int a = 0; a < 3; ++a) EXPECT_EQ(back.centre[a], shown.centre[a]);

    // The pack is imported like any character file; being a pack, it is not saved again.
    actors.AddActor("made pack", packPath);
    Deliver();
    EXPECT_EQ(Selected(), "made pack");
    ASSERT_NE(b.D3dView(), nullptr);
    EXPECT_EQ(b.D3dView()->Character().morphs.size(), 40u);
    EXPECT_FALSE(b.CanSaveCompiledCharacter());

    // A save that cannot be written says so.
    actors.SelectActor(actors.GetRecords()[actors.GetRecords().size() - 2]);
    Deliver();
    prompts.files.push_back(std::string("/nonexistent/folder/x.zcpk"));
    EXPECT_FALSE(b.OnSaveCompiledCharacter());
    std::string why;
    EXPECT_FALSE(SaveBytesSafely("/nonexistent/folder/x.zcpk", "", &why));
    EXPECT_EQ(prompts.messages.back(),
              "Sorry, the file cannot be written. Please select a new file and try again.\n\n" + why);
}

// A character file, or a model a character file names, that is no regular file (a folder, a
// device, a pipe, a dangling link) is a file that does not open: it is named, and the head shown
// before (here the default) stays.
TEST_F(ViewerBarTest, CharacterFilesThatAreNoRegularFileFallBackToTheDefaultHead) {
    head_test::temp_folder dir;
    std::filesystem::create_directories(dir.Path() + "sub");
    ASSERT_EQ(::mkfifo((dir.Path() + "pipe.txt").c_str(), 0600), 0);
    std::filesystem::create_symlink(dir.Path() + "nowhere.txt", dir.Path() + "gone.txt");
    dir.WriteModel("rest.x", head_test::FanMesh({{-1, -1, 0}, {1, -1, 0}, {0, 1, 0}}));
    dir.Write("folder_model.txt", std::string("x 1 . 1\n"));
    dir.Write("folder_viseme.txt", std::string("single_model\nx 1 rest.x 1\nAA 1 sub 1\n"));
    TestBar& b = MakeBar();
    const struct {
        std::string path;
        const char* message;  // the viseme file message, or none for a file that does not open
    } cases[] = {
        {dir.Path() + "sub", nullptr},
        {dir.Path() + "sub.zcpk", nullptr},
        {"/dev/zero", nullptr},
        {dir.Path() + "pipe.txt", nullptr},
        {dir.Path() + "gone.txt", nullptr},
        {dir.Path() + "folder_model.txt", "The specified viseme file '.' cannot be loaded"},
        {dir.Path() + "folder_viseme.txt", "The specified viseme file 'sub' cannot be loaded"},
    };
    std::filesystem::create_directories(dir.Path() + "sub.zcpk");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        prompts.messages.clear();
        actors.AddActor("bad", c.path);
        Deliver();
        EXPECT_EQ(Selected(), "High Poly D3D Model");
        EXPECT_EQ(b.ActorList()->currentText(), "High Poly D3D Model");
        EXPECT_EQ(actors.GetRecords().size(), 3u);
        ASSERT_NE(b.D3dView(), nullptr);
        EXPECT_TRUE(b.D3dView()->HasCharacter());
        ASSERT_EQ(prompts.messages.size(), 1u);
        if (c.message) {
            EXPECT_EQ(prompts.messages[0], c.message);
        } else {
            const std::string named = "The character file '" + c.path + "' cannot be shown: cannot read";
            EXPECT_EQ(prompts.messages[0].rfind(named, 0), 0u) << prompts.messages[0];
        }
    }
}

// "Import New Actor..." with a file that is no character: the bar names the file and the reason,
// adds nothing, and keeps showing the head it showed, with that head's entry in the list.
TEST_F(ViewerBarTest, ImportingAFileThatIsNoCharacterNamesItAndAddsNothing) {
    head_test::temp_folder dir;
    dir.Write("note.txt", std::string("this is not a character\n"));
    dir.Write("noise.zcpk", std::vector<uint8_t>(64, 0xAB));
    dir.Write("empty.zcpk", std::string());
    dir.Write("folder_model.txt", std::string("x 1 . 1\n"));
    dir.Write("nothing.txt", std::string("# only a comment\n"));
    TestBar& b = MakeBar();
    actors.SelectActor(actors.GetFirstActor());
    Deliver();
    ASSERT_EQ(b.ActorList()->currentText(), "Wireframe View");
    const struct {
        std::string file;
        std::string message;
    } cases[] = {
        {"note.txt", "The character file '" + dir.Path() +
                         "note.txt' cannot be shown: line 1: the label 'this' is followed by 'is', not a count of "
                         "viseme files."},
        {"noise.zcpk", "The character file '" + dir.Path() +
                           "noise.zcpk' cannot be shown: the pack holds a texture count (-1414812757) larger than "
                           "its data."},
        {"empty.zcpk", "The character file '" + dir.Path() + "empty.zcpk' cannot be shown: the file is empty."},
        {"nothing.txt", "The character file '" + dir.Path() + "nothing.txt' cannot be shown: it names no model to draw."},
        {"folder_model.txt", "The specified viseme file '.' cannot be loaded"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        prompts.messages.clear();
        prompts.files.push_back(dir.Path() + c.file);
        // As the user chooses the last entry of the list.
        b.ActorList()->setFocus();
        QTest::keyClick(b.ActorList(), Qt::Key_End);
        ASSERT_EQ(prompts.files.size(), 0u) << "no file dialog";
        Deliver();
        EXPECT_EQ(prompts.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(actors.GetRecords().size(), 3u);
        EXPECT_EQ(b.ActorList()->count(), 4);
        EXPECT_EQ(Selected(), "Wireframe View");
        EXPECT_EQ(b.ActorList()->currentText(), "Wireframe View");
        EXPECT_NE(dynamic_cast<CWireFrameVisemeView*>(b.View()), nullptr);
    }
}

// A character shown from its text file whose pack would not read back (its extra model is stored
// as its file has it, which the centre then moves beyond float) is not compiled: the save says
// why and writes nothing.
TEST_F(ViewerBarTest, ACharacterWhosePackWouldNotReadBackIsNotSaved) {
    head_test::temp_folder dir;
    dir.WriteModel("rest.x", head_test::FanMesh({{0, 0, 0}, {2e38f, 0, 0}, {0, 1, 0}}));
    dir.WriteModel("low.x", head_test::FanMesh({{-3e38f, 0, 0}, {-3e38f, 1, 0}, {-2.9e38f, 0, 0}}));
    dir.Write("edge.txt", std::string("single_model\nx 1 rest.x 1\nAUX low.x 3.2e38 0 0\n"));
    TestBar& b = MakeBar();
    actors.AddActor("edge", dir.Path() + "edge.txt");
    Deliver();
    ASSERT_EQ(Selected(), "edge");
    ASSERT_TRUE(b.CanSaveCompiledCharacter());
    prompts.files.push_back(dir.Path() + "edge.zcpk");
    EXPECT_FALSE(b.OnSaveCompiledCharacter());
    EXPECT_EQ(prompts.messages, std::vector<std::string>{
                                    "The character cannot be compiled: its pack would not read back: the pack's centre "
                                    "moves model 'low.x' beyond the range of float."});
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "edge.zcpk"));
}

TEST_F(ViewerBarTest, AMissingVisemeFileIsShownAndTheDefaultHeadTakesOver) {
    head_test::temp_folder dir;
    dir.WriteModel("rest.x", head_test::FanMesh({{-1, -1, 0}, {1, -1, 0}, {0, 1, 0}}));
    dir.Write("broken.txt", std::string("single_model\nx 1 rest.x 1\nAA 1 gone.x 1\n"));
    TestBar& b = MakeBar();
    actors.AddActor("broken", dir.Path() + "broken.txt");
    Deliver();
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], "The specified viseme file 'gone.x' cannot be loaded");
    EXPECT_EQ(Selected(), "High Poly D3D Model");
    EXPECT_TRUE(b.D3dView()->HasCharacter());

    // Saving needs a 3D actor.
    actors.SelectActor(actors.GetFirstActor());
    Deliver();
    EXPECT_FALSE(b.OnSaveCompiledCharacter());
    EXPECT_EQ(prompts.messages.back(),
              "Save binary only works on 3d characters. Please select your 3d character and try again.");
}

TEST_F(ViewerBarTest, ATextureThatCannotBeDecodedIsNamedOnceInTheOutputWindow) {
    document_test::captured_log log;
    SetOutputLog(&log);
    head_test::temp_folder dir;
    dir.Write("face.dds", std::string("DDS but nothing more"));
    dir.WriteModel("rest.x", head_test::FanMesh({{-1, -1, 0}, {1, -1, 0}, {0, 1, 0}}, "Face.DDS"));
    dir.WriteModel("aa.x", head_test::FanMesh({{-1, -1, 0}, {1, -1, 0}, {0, 1.5f, 0}}, "Face.DDS"));
    dir.Write("bad_texture.txt", std::string("single_model\nx 1 rest.x 1\nAA 1 AA.x 1\n"));
    TestBar& b = MakeBar();
    actors.AddActor("bad texture", dir.Path() + "bad_texture.txt");
    Deliver();
    SetOutputLog(nullptr);
    // The head loads and draws untextured; the log names the file once.
    EXPECT_EQ(Selected(), "bad texture");
    EXPECT_TRUE(b.D3dView()->HasCharacter());
    const std::string name = dir.Path() + "face.dds";
    const std::size_t at = log.text.find(name);
    ASSERT_NE(at, std::string::npos) << log.text;
    EXPECT_EQ(log.text.find(name, at + 1), std::string::npos) << log.text;
    EXPECT_EQ(log.text.rfind("Warning: ", 0), 0u) << log.text;
}

// A texture that is a folder or an empty file: the Output Window's line names it once and says
// what is wrong in a sentence of its own.
TEST_F(ViewerBarTest, ATextureThatIsAFolderOrEmptyIsSaidSoInASentence) {
    document_test::captured_log log;
    SetOutputLog(&log);
    head_test::temp_folder dir;
    std::filesystem::create_directories(dir.Path() + "skin.png");
    dir.Write("lips.png", std::string());
    dir.WriteModel("rest.x", head_test::FanMesh({{-1, -1, 0}, {1, -1, 0}, {0, 1, 0}}, "skin.png"));
    dir.WriteModel("aa.x", head_test::FanMesh({{-1, -1, 0}, {1, -1, 0}, {0, 1.5f, 0}}, "lips.png"));
    dir.Write("textures.txt", std::string("single_model\nx 1 rest.x 1\nAA 1 aa.x 1\n"));
    TestBar& b = MakeBar();
    actors.AddActor("textures", dir.Path() + "textures.txt");
    Deliver();
    SetOutputLog(nullptr);
    EXPECT_EQ(Selected(), "textures");
    EXPECT_TRUE(b.D3dView()->HasCharacter());
    for (const std::string line : {"the texture " + dir.Path() + "skin.png cannot be shown: it is a folder, not a file\n",
                                   "the texture " + dir.Path() + "lips.png cannot be shown: it is empty\n"}) {
        EXPECT_NE(log.text.find(line), std::string::npos) << log.text;
    }
}

// "New 3d Character..." in the program: the dialog's character joins the actors and is shown.
TEST(ViewerBarProgram, NewCharacterCommandImportsAndShowsTheCharacter) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("murmurex_newchar_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder / "dicts");
    head_test::temp_folder dir;
    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    {
        CPhonarcApp app(profile, prompts, folder.string());
        ASSERT_TRUE(app.InitInstance({}));
        bool filled = false;
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<CZuvoChrSetupDlg*>(QApplication::activeModalWidget());
            if (!dlg) return;
            FillSetupDialog(*dlg, dir);
            filled = true;
            dlg->accept();
        });
        app.Router().Execute(cmd::CharacterSetup);
        ASSERT_TRUE(filled);
        for (int i = 0; i < 5; ++i) {
            app.OnIdle();
            QApplication::processEvents();
        }
        EXPECT_EQ(app.Actors().GetSelectedActor().name, "made");
        auto* bar = app.MainFrame()->ViewerBar()->findChild<CVisemeDlgBar*>();
        ASSERT_NE(bar, nullptr);
        ASSERT_NE(bar->D3dView(), nullptr);
        EXPECT_EQ(bar->D3dView()->Character().morphs.size(), 40u);
        EXPECT_EQ(bar->ActorList()->currentText(), "made");
        EXPECT_TRUE(app.Router().Update(cmd::SaveCompiledCharacter).enabled);

        // Options > Save Compiled Character... proposes a pack beside the character file and
        // writes it there; the character file stays as it was.
        QAction* save = app.MainFrame()->Action(cmd::SaveCompiledCharacter);
        ASSERT_NE(save, nullptr);
        const std::string text = [&] {
            std::ifstream in(dir.Path() + "made.txt", std::ios::binary);
            return std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        }();
        prompts.files.push_back(std::nullopt);  // the dialog as shown, cancelled
        save->trigger();
        ASSERT_FALSE(prompts.fileRequests.empty());
        EXPECT_EQ(prompts.fileRequests.back().initialPath, dir.Path() + "made.zcpk");
        prompts.files.push_back(dir.Path() + "made.zcpk");
        save->trigger();
        EXPECT_TRUE(std::filesystem::is_regular_file(dir.Path() + "made.zcpk"));
        EXPECT_GT(std::filesystem::file_size(dir.Path() + "made.zcpk"), 0u);
        std::ifstream after(dir.Path() + "made.txt", std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(after), std::istreambuf_iterator<char>()), text);
        app.MainFrame()->close();
        app.ExitInstance();
    }
    pub_queue::destroy_instance();
    std::filesystem::remove_all(folder);
}

// The program's window with a document open and the head in its "View" bar, for a person to look at.
TEST(ViewerBarScreenshot, MainWindowShowsTheDefaultHead) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("murmurex_viewer_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder / "dicts");
    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    {
        CPhonarcApp app(profile, prompts, folder.string());
        ASSERT_TRUE(app.InitInstance({}));
        CMainFrame* frame = app.MainFrame();
        // A document with its timeline beside the head.
        EXPECT_TRUE(app.OpenDocumentFile(MURMUREX_TESTDATA_DIR "/speech/en_us_f4_0003_clean.zuvo"));
        frame->resize(1280, 760);
        frame->ViewerBar()->resize(260, 600);
        frame->resizeDocks({frame->ViewerBar()}, {260}, Qt::Horizontal);
        for (int i = 0; i < 20; ++i) QApplication::processEvents();
        auto* bar = frame->ViewerBar()->findChild<CVisemeDlgBar*>();
        ASSERT_NE(bar, nullptr);
        ASSERT_NE(bar->D3dView(), nullptr);
        EXPECT_EQ(bar->ActorList()->currentText(), "High Poly D3D Model");
        bar->SetViseme("AA", 100);  // through the bar, as the frame passes shapes on
        bar->SetViseme("AA", 100);
        bar->SetViseme("AA", 100);
        bar->SetViseme("AA", 100);
        for (int i = 0; i < 10; ++i) QApplication::processEvents();
        QDir().mkpath(MURMUREX_SCREENSHOT_DIR);
        const QImage shot = frame->grab().toImage();
        EXPECT_TRUE(shot.save(QStringLiteral(MURMUREX_SCREENSHOT_DIR "/viewer_bar.png")));
        // The head is drawn: the view is not one flat colour.
        const QImage head = bar->D3dView()->grabFramebuffer();
        std::set<QRgb> colours;
        for (int y = 0; y < head.height(); y += 4)
            for (int x = 0; x < head.width(); x += 4) colours.insert(head.pixel(x, y));
        EXPECT_GT(colours.size(), 20u);
        frame->close();
        app.ExitInstance();
    }
    pub_queue::destroy_instance();
    std::filesystem::remove_all(folder);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication qt(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
