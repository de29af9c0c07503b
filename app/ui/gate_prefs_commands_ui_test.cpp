// The Preferences sheet and the Noise Gate dialog on the offscreen platform with scripted prompts:
// what the Save Options page shows and stores, the refused frame rate and cut-off, and both
// commands run from the main window's menus.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

#include "app/core/command_router.h"
#include "app/core/document_commands.h"
#include "app/core/noise_gate.h"
#include "app/core/phonarc_doc.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "app/core/save_options.h"
#include "app/core/command_ids.h"
#include "app/ui/document_frame.h"
#include "app/ui/document_manager.h"
#include "app/ui/gate_prefs_commands_ui.h"
#include "app/ui/main_frame.h"
#include "app/ui/noise_gate_dlg.h"
#include "app/ui/phonarc_app.h"
#include "app/ui/preferences_dlg.h"
#include "engine/audio/memory_pcm_stream.h"
#include "model/pub_queue.h"

namespace {

namespace fs = std::filesystem;
const fs::path kSpeech = fs::path(MURMUREX_TESTDATA_DIR) / "speech";

TEST(PreferencesSheet, ShowsTheStoredSwitchesAndTheEnvelopeBoxFollowsItsParent) {
    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    CPreferencesSheet sheet(profile, prompts);
    CPreferencePageSaving& p = *sheet.page;
    EXPECT_EQ(sheet.windowTitle(), "Preferences");
    EXPECT_EQ(sheet.tabs->tabText(0), "Save Options");
    EXPECT_TRUE(p.phnVis->isChecked());
    EXPECT_TRUE(p.text->isChecked());
    EXPECT_TRUE(p.audioLink->isChecked());
    EXPECT_FALSE(p.phnEnv->isChecked());
    EXPECT_FALSE(p.phnEnvX->isEnabled());
    EXPECT_EQ(p.frameRate->text(), "0");

    // Digits only: a sign cannot be typed.
    p.frameRate->clear();
    QTest::keyClicks(p.frameRate, "-25");
    EXPECT_EQ(p.frameRate->text(), "25");

    QTest::mouseClick(p.phnEnv, Qt::LeftButton);
    EXPECT_TRUE(p.phnEnvX->isEnabled());
    QTest::mouseClick(p.phnEnvX, Qt::LeftButton);
    QTest::mouseClick(p.phnEnv, Qt::LeftButton);
    EXPECT_FALSE(p.phnEnvX->isEnabled());
    EXPECT_TRUE(p.phnEnvX->isChecked());  // keeps its mark, and OK stores it

    // Unticking the audio link alone leaves the text switch on.
    p.audioLink->setChecked(false);
    sheet.show();
    QTest::qWait(20);
    QDir().mkpath(MURMUREX_SCREENSHOT_DIR);
    EXPECT_TRUE(sheet.grab().save(MURMUREX_SCREENSHOT_DIR "/preferences.png"));
    sheet.accept();
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    const save_options o = ReadSaveOptions(profile);
    EXPECT_TRUE(o.text);
    EXPECT_FALSE(o.audio_link);
    EXPECT_FALSE(o.phn_env);
    EXPECT_TRUE(o.phn_env_x);
    EXPECT_EQ(o.frame_rate, 25);

    // The next sheet shows what was stored; Cancel writes nothing.
    CPreferencesSheet next(profile, prompts);
    EXPECT_FALSE(next.page->audioLink->isChecked());
    EXPECT_TRUE(next.page->phnEnvX->isChecked());
    EXPECT_FALSE(next.page->phnEnvX->isEnabled());
    next.page->text->setChecked(false);
    next.reject();
    EXPECT_TRUE(ReadSaveOptions(profile).text);
}

TEST(PreferencesSheet, FrameRateAbove1000IsRefusedAndNothingIsWritten) {
    struct Case {
        const char* text;
        bool accepted;
        int stored;
    };
    const Case cases[] = {{"1000", true, 1000}, {"1001", false, 7}, {"", true, 0}};
    for (const Case& c : cases) {
        CMemoryProfileStore profile;
        profile.WriteInt("UI", "articulator_frame_rate", 7);
        CScriptedPrompts prompts;
        CPreferencesSheet sheet(profile, prompts);
        sheet.show();
        sheet.page->text->setChecked(false);
        sheet.page->frameRate->setText(c.text);
        sheet.accept();
        EXPECT_EQ(sheet.isVisible(), !c.accepted) << c.text;
        EXPECT_EQ(profile.GetInt("UI", "articulator_frame_rate", -1), c.stored) << c.text;
        EXPECT_EQ(profile.Has("UI", "zuvo_text"), c.accepted) << c.text;
        if (!c.accepted) {
            ASSERT_EQ(prompts.messages.size(), 1u);
            EXPECT_EQ(prompts.messages[0], "Please Select an FPS between 0 (default) and 1000");
            EXPECT_EQ(sheet.page->frameRate->selectedText(), c.text);
        }
    }
}

class GateUiTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::path(::testing::TempDir()) / ("murmurex_gate_" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder / "dicts");
        fs::copy_file(kSpeech / "en_us_f4_0003_clean.wav", folder / "take.wav");
        app = std::make_unique<CPhonarcApp>(profile, prompts, folder.string());
        ASSERT_TRUE(app->InitInstance({"--quit-when-shown", QString::fromStdString((folder / "take.wav").string())}));
        ASSERT_EQ(app->DocumentCount(), 1);
    }
    void TearDown() override {
        prompts.answers = {PromptAnswer::No};
        if (app) app->MainFrame()->close();
        app.reset();
        pub_queue::destroy_instance();
        fs::remove_all(folder);
    }
    // Runs the command from its menu item; act is given the modal dialog it opens.
    template <class Dialog>
    void RunWithDialog(int id, std::function<void(Dialog&)> act) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            seen = true;
            act(*dialog);
            if (dialog->isVisible()) dialog->reject();
        });
        app->MainFrame()->UpdateCommands();
        app->MainFrame()->Action(id)->trigger();
        EXPECT_TRUE(seen);
    }

    fs::path folder;
    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    std::unique_ptr<CPhonarcApp> app;
};

std::vector<int16_t> Samples(CMemoryPCMStream& audio) {
    const auto* data = static_cast<const int16_t*>(audio.GetData());
    return {data, data + audio.GetFrameCount()};
}

TEST_F(GateUiTest, NoiseGateFromTheEditMenuRefusesBadCutOffsAndIsOneUndoStep) {
    CMainFrame* frame = app->MainFrame();
    CPhonarcDoc& doc = app->Documents()->ActiveFrame()->Document();
    QMenu* edit = frame->MenuOf("Edit");
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->actions().contains(frame->Action(cmd::NoiseGate)));
    frame->UpdateCommands();
    EXPECT_TRUE(frame->Action(cmd::NoiseGate)->isEnabled());
    const std::vector<int16_t> before = Samples(*doc.audio());

    // Refused values keep the dialog open and change nothing; Cancel records nothing.
    RunWithDialog<CNoiseGateDlg>(cmd::NoiseGate, [&](CNoiseGateDlg& d) {
        EXPECT_EQ(d.cutoffEdit->text().toInt(), ProposeGateCutoff(d.levels()));
        EXPECT_FALSE(d.preview->isEnabled());
        QDir().mkpath(MURMUREX_SCREENSHOT_DIR);
        EXPECT_TRUE(d.grab().save(MURMUREX_SCREENSHOT_DIR "/noise_gate.png"));
        for (const char* bad : {"-97", "3", "loud"}) {
            d.cutoffEdit->setText(bad);
            d.accept();
            EXPECT_TRUE(d.isVisible()) << bad;
        }
    });
    EXPECT_EQ(prompts.messages,
              std::vector<std::string>(3, "Please select a gate value between -5 and -96 decibals"));
    EXPECT_FALSE(doc.UpdateUndo().enabled);
    EXPECT_EQ(Samples(*doc.audio()), before);

    RunWithDialog<CNoiseGateDlg>(cmd::NoiseGate, [](CNoiseGateDlg& d) {
        d.cutoffEdit->setText("-12");  // the take has no real pauses
        d.accept();
    });
    const std::vector<int16_t> gated = Samples(*doc.audio());
    EXPECT_NE(gated, before);
    frame->UpdateCommands();
    EXPECT_EQ(frame->Action(cmd::EditUndo)->text(), "Undo Noise Gate\tCtrl+Z");
    frame->Action(cmd::EditUndo)->trigger();
    EXPECT_EQ(Samples(*doc.audio()), before);
    frame->Action(cmd::EditRedo)->trigger();
    EXPECT_EQ(Samples(*doc.audio()), gated);
}

TEST_F(GateUiTest, PreferencesFromTheOptionsMenuStoreInTheProgramsProfile) {
    EXPECT_TRUE(app->MainFrame()->MenuOf("Options")->actions().contains(app->MainFrame()->Action(cmd::Preferences)));
    RunWithDialog<CPreferencesSheet>(cmd::Preferences, [](CPreferencesSheet& s) {
        s.page->phnEnv->setChecked(true);
        s.accept();
    });
    EXPECT_TRUE(ReadSaveOptions(profile).phn_env);
}

}  // namespace
