// The settings file keeps every kind of value across a reopen, and file filters become Qt's form.
#include "app/ui/qt_profile_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/ui/qt_prompts.h"

TEST(QtProfileStore, ValuesSurviveAReopen) {
    const std::string path = ::testing::TempDir() + "murmurex_profile_" + std::to_string(::getpid()) + ".conf";
    const std::string layout("\0\x01\xff layout\n[x]=y", 16);
    {
        CQtProfileStore p(QString::fromStdString(path));
        p.WriteString("UI", "zlex", "Espa\xc3\xb1ol");
        p.WriteInt("UI", "PlayLoop", 1);
        p.WriteInt("BarState-SCBar-123", "sizeVertCX", -40);
        p.WriteBinary("BarState", "Layout", layout);
        p.WriteString("UI", "Bad", "12x");
        p.Sync();
    }
    CQtProfileStore p(QString::fromStdString(path));
    EXPECT_EQ(p.GetString("UI", "zlex", ""), "Espa\xc3\xb1ol");
    EXPECT_EQ(p.GetInt("UI", "PlayLoop", 0), 1);
    EXPECT_EQ(p.GetInt("BarState-SCBar-123", "sizeVertCX", 0), -40);
    std::string bytes;
    ASSERT_TRUE(p.GetBinary("BarState", "Layout", &bytes));
    EXPECT_EQ(bytes, layout);
    EXPECT_EQ(p.GetInt("UI", "Bad", 7), 7);
    EXPECT_EQ(p.GetString("UI", "Missing", "none"), "none");
    EXPECT_FALSE(p.GetBinary("UI", "Missing", &bytes));
    EXPECT_TRUE(p.Has("UI", "zlex"));
    std::remove(path.c_str());
}

TEST(QtPrompts, FileFiltersBecomeQtFilters) {
    EXPECT_EQ(QtFileFilter("Audio Files (*.wav; *.mp3; *.ogg)|*.wav; *.ogg; *.mp3; *.zuvo|Zuvotrix Sync Results File "
                           "(*.zuvo)|*.zuvo|All Files (*.*)|*.*||")
                  .toStdString(),
              "Audio Files (*.wav *.ogg *.mp3 *.zuvo);;Zuvotrix Sync Results File (*.zuvo);;All Files (*)");
    EXPECT_EQ(QtFileFilter("Character Files (*.txt; *.zcpk)|*.txt; *.zcpk; | Text Files (*.txt)|*.txt||").toStdString(),
              "Character Files (*.txt *.zcpk);;Text Files (*.txt)");
}
