// The Flash document in the program: a results file with both Flash sections opens with the
// "Flash Gestures" bar showing the template's clips, Extract Gestures fills the gesture channel as
// one undo step, and saving then reopening gives the same sections. Writes a screenshot of the
// bar and the channel.
#include <QDir>
#include <QPainter>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <algorithm>
#include <iterator>
#include <sstream>
#include <unistd.h>

#include "app/core/document_commands.h"
#include "app/core/document_test_support.h"
#include "app/core/phonarc_doc_flash.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "app/ui/document_frame.h"
#include "app/ui/document_manager.h"
#include "app/ui/flash_document_frame.h"
#include "app/ui/main_frame.h"
#include "app/ui/phonarc_app.h"
#include "engine/audio/memory_pcm_stream.h"
#include "flash/gesture_generation.h"
#include "flash/ui/flash_gestures_view.h"
#include "flash/ui/swf_player_control.h"
#include "model/pub_queue.h"
#include "views/flash_channel/flash_gesture_channel.h"
#include "views/offscreen/offscreen_dib.h"
#include "views/timeline/phonarc_view.h"

namespace {

namespace fs = std::filesystem;
using document_test::AlignmentWithEnergies;
using document_test::kBase;
using document_test::kSpeech;
using document_test::ReadFile;
const fs::path kTemplate = fs::path(MURMUREX_TESTDATA_DIR) / "flash" / "sample_character.swf";

std::string Sections(const std::string& text) {
    const size_t at = text.find("end_markers\n");
    return at == std::string::npos ? "" : text.substr(at + 12);
}

class FlashDocumentUiTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::path(::testing::TempDir()) / ("murmurex_flash_" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder / "dicts");
        fs::copy_file(kSpeech / (std::string(kBase) + ".wav"), folder / (std::string(kBase) + ".wav"));
    }
    void TearDown() override {
        app.reset();
        pub_queue::destroy_instance();
        fs::remove_all(folder);
    }

    fs::path folder;
    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    std::unique_ptr<CPhonarcApp> app;
};

TEST_F(FlashDocumentUiTest, OpensWithTheBarExtractsGesturesAndSavesTheSections) {
    const fs::path zuvo = folder / "flash.zuvo";
    std::ofstream(zuvo, std::ios::binary) << AlignmentWithEnergies() << "character "
                                          << kTemplate.string()
                                          << "\nend_character_info\ngesture 300 700 128 0 wave|idle\n";
    app = std::make_unique<CPhonarcApp>(profile, prompts, folder.string());
    ASSERT_TRUE(app->InitInstance({}));
    ASSERT_TRUE(app->OpenDocumentFile(zuvo.string()));
    CMainFrame* main = app->MainFrame();
    CDocumentFrame* frame = app->Documents()->ActiveFrame();
    auto* doc = dynamic_cast<CPhonarcDocFlash*>(&frame->Document());
    ASSERT_NE(doc, nullptr);
    ASSERT_TRUE(doc->HasTemplate()) << doc->logged();
    ASSERT_EQ(doc->GetAnim()->get_gestures()->size(), 1u);

    CFlashDocumentBinding* binding = CFlashDocumentBinding::Of(frame);
    ASSERT_NE(binding, nullptr);
    main->resize(1100, 640);
    main->show();
    QTest::qWait(50);
    FlashGesturesView* view = binding->View();
    EXPECT_TRUE(frame->FlashBar()->isVisible());
    EXPECT_EQ(view->CellCount(), static_cast<int>(doc->character()->get_gestures().size()));
    for (CSwfPlayerControl* control : view->Controls()) {
        EXPECT_TRUE(control->HasMovie());
        EXPECT_FALSE(control->Snapshot().isNull());
    }

    // Extract Gestures through the menu command shows both gesture channels on the timeline.
    frame->View()->SetDisplayMode(frame->View()->DisplayMode() & ~0x60000u);
    main->UpdateCommands();
    ASSERT_TRUE(main->Action(cmd::ExtractGestures)->isEnabled());
    EXPECT_TRUE(app->Router().Execute(cmd::ExtractGestures));
    EXPECT_EQ(frame->View()->DisplayMode() & 0x60000u, 0x60000u);
    int flashChannels = 0;
    for (const auto& c : frame->View()->Channels())
        if (dynamic_cast<CMXChannelSWFGestures*>(c.get())) ++flashChannels;
    EXPECT_EQ(flashChannels, 1);
    const size_t extracted = doc->GetAnim()->get_gestures()->size();
    // On a 2-second take the generated gestures are few, and all of them lie on the recording.
    EXPECT_GE(extracted, 1u);
    ASSERT_FALSE(doc->track(1).gestures.empty());
    const int length = static_cast<int>(doc->audio()->FramesToMs(doc->audio()->GetFrameCount()));
    for (const FGesture& g : doc->track(1).gestures) EXPECT_LE(g.end, length);
    for (const FGesture& g : *doc->GetAnim()->get_gestures()) EXPECT_LE(g.end, length);
    main->UpdateCommands();
    EXPECT_EQ(main->Action(cmd::EditUndo)->text(), "Undo Auto Gesture\tCtrl+Z");

    // The channel over the recording and every gesture shows the extracted gestures.
    TimelineState state;
    state.stream = doc->audio();
    const int width = 1100;
    int lastMs = static_cast<int>(doc->audio()->FramesToMs(doc->audio()->GetFrameCount()));
    for (const FGesture& g : *doc->GetAnim()->get_gestures()) lastMs = std::max(lastMs, g.end);
    state.map.samplesPerPixel = doc->audio()->MsToFrames(lastMs) / (width - 30) + 1;
    CMXChannelSWFGestures channel(&state, doc);
    channel.band = {15, 0, width, CMXChannelSWFGestures::kHeight};
    int found = 0;
    for (const FGesture& g : *doc->GetAnim()->get_gestures())
        if (channel.GestureAt(state.map.MsToX(state.stream, (g.start + g.end) / 2))) ++found;
    EXPECT_EQ(found, static_cast<int>(extracted));

    frame->resizeDocks({frame->FlashBar()}, {260}, Qt::Vertical);
    QTest::qWait(50);
    view->SelectAt(view->GetCellRect(1, 0).center().x(), view->GetCellRect(1, 0).center().y());
    COffscreenDib dib;
    ASSERT_TRUE(dib.Create(width, CMXChannelSWFGestures::kHeight, 32));
    dib.Image().fill(Qt::white);
    channel.Draw(dib, channel.band);
    const QImage window = main->grab().toImage();
    QImage shot(width, window.height() + dib.GetHeight() + 4, QImage::Format_RGB32);
    shot.fill(Qt::darkGray);
    {
        QPainter p(&shot);
        p.drawImage(0, 0, window);
        p.drawImage(0, window.height() + 4, dib.Image());
    }
    QDir().mkpath(MURMUREX_SCREENSHOT_DIR);
    EXPECT_TRUE(shot.save(MURMUREX_SCREENSHOT_DIR "/flash_document.png"));

    // Undo takes the extraction back whole; redo brings it again.
    EXPECT_TRUE(app->Router().Execute(cmd::EditUndo));
    EXPECT_EQ(doc->GetAnim()->get_gestures()->size(), 1u);
    EXPECT_TRUE(doc->track(1).gestures.empty());
    EXPECT_TRUE(app->Router().Execute(cmd::EditRedo));
    EXPECT_EQ(doc->GetAnim()->get_gestures()->size(), extracted);
    EXPECT_FALSE(doc->track(1).gestures.empty());

    const fs::path saved = folder / "saved.zuvo";
    ASSERT_TRUE(doc->OnSaveDocument(saved.string()));
    const std::string sections = Sections(ReadFile(saved));
    EXPECT_EQ(sections.rfind("character " + kTemplate.string() + "\n", 0), 0u) << sections;
    ASSERT_TRUE(app->OpenDocumentFile(saved.string()));
    auto* again = dynamic_cast<CPhonarcDocFlash*>(app->Documents()->ActiveDocument());
    ASSERT_TRUE(again && again != doc);
    EXPECT_EQ(again->GetAnim()->get_gestures()->size(), extracted);
    const fs::path resaved = folder / "resaved.zuvo";
    ASSERT_TRUE(again->OnSaveDocument(resaved.string()));
    EXPECT_EQ(Sections(ReadFile(resaved)), sections);

    prompts.answers = {PromptAnswer::No, PromptAnswer::No};
    main->close();
}

// A template chosen on a document that had none, then the choice undone: the bar loses the
// template's thumbnails and its selection, and the gesture channel offers nothing to add.
TEST_F(FlashDocumentUiTest, UndoingTheTemplateChoiceClearsTheBar) {
    const fs::path zuvo = folder / "plain.zuvo";
    std::ofstream(zuvo, std::ios::binary) << AlignmentWithEnergies();
    app = std::make_unique<CPhonarcApp>(profile, prompts, folder.string());
    ASSERT_TRUE(app->InitInstance({}));
    ASSERT_TRUE(app->OpenDocumentFile(zuvo.string()));
    CMainFrame* main = app->MainFrame();
    CDocumentFrame* frame = app->Documents()->ActiveFrame();
    auto* doc = dynamic_cast<CPhonarcDocFlash*>(&frame->Document());
    ASSERT_NE(doc, nullptr);
    ASSERT_FALSE(doc->HasTemplate());
    main->resize(1100, 640);
    main->show();
    QTest::qWait(50);

    prompts.files = {kTemplate.string()};
    EXPECT_TRUE(app->Router().Execute(cmd::SelectCharacter));
    ASSERT_TRUE(doc->HasTemplate());
    FlashGesturesView* view = CFlashDocumentBinding::Of(frame)->View();
    QTest::qWait(50);
    ASSERT_EQ(view->CellCount(), 7);
    QTest::mouseClick(view->Controls()[1], Qt::LeftButton, {}, QPoint(20, 20));
    ASSERT_EQ(view->GetSelectedGesture(), 1);

    TimelineState state;
    state.stream = doc->audio();
    state.map.samplesPerPixel = 16;
    CMXChannelSWFGestures channel(&state, doc);
    const auto addItem = [&channel]() -> channel_menu_item {
        for (const channel_menu_item& item : channel.BuildMenu(nullptr))
            if (item.id == cmd::FlashAddSelected) return item;
        return {};
    };
    EXPECT_TRUE(addItem().enabled);

    main->UpdateCommands();
    EXPECT_TRUE(app->Router().Execute(cmd::EditUndo));
    EXPECT_FALSE(doc->HasTemplate());
    EXPECT_EQ(view->CellCount(), 0);
    EXPECT_TRUE(view->Controls().empty());
    EXPECT_EQ(view->GetSelectedGesture(), -1);
    const channel_menu_item add = addItem();
    EXPECT_EQ(add.id, cmd::FlashAddSelected);
    EXPECT_FALSE(add.enabled) << add.text;

    // Redo brings the template and its thumbnails back.
    EXPECT_TRUE(app->Router().Execute(cmd::EditRedo));
    EXPECT_EQ(view->CellCount(), 7);
    EXPECT_EQ(view->GetSelectedGesture(), 0);

    prompts.answers = {PromptAnswer::No, PromptAnswer::No};
    main->close();
}

}  // namespace
