#include <gtest/gtest.h>

#include "sysutil/env_files.h"

using namespace qaz;

TEST(EnvFiles, LivePlacesOnNinetyFiveAndNt) {
    struct Case {
        EnvPlaces places;
        std::string userLive, userBackup, configLive;
    };
    const Case cases[] = {
        {{"C:\\QAZ\\", "C:\\WINDOWS", "user1", false}, "C:\\WINDOWS\\Profiles\\user1\\USER.DAT",
         "C:\\QAZ\\qaz_win\\user1\\USER.DAT", "C:\\CONFIG.SYS"},
        {{"C:\\QAZ\\", "C:\\WINNT", "user1", true}, "C:\\WINNT\\Profiles\\user1\\NTUSER.DAT",
         "C:\\QAZ\\qaz_win\\user1\\USER.DAT", "C:\\CONFIG.SYS"},
        {{"C:\\QAZ\\", "C:\\WINDOWS", "", false}, "C:\\WINDOWS\\USER.DAT", "C:\\QAZ\\qaz_win\\USER.DAT",
         "C:\\CONFIG.SYS"},
        {{"D:\\Q\\", "E:\\", "u", false}, "E:\\Profiles\\u\\USER.DAT", "D:\\Q\\qaz_win\\u\\USER.DAT",
         "E:\\CONFIG.SYS"},  // a drive root gets no second separator
    };
    for (const Case& c : cases) {
        const auto files = EnvFileTable(c.places);
        ASSERT_EQ(files.size(), 9u);
        EXPECT_EQ(files[1].live, c.userLive);
        EXPECT_EQ(files[1].backup, c.userBackup);
        EXPECT_EQ(files[7].live, c.configLive);
        EXPECT_EQ(files[7].backup, c.places.programFolder + "qaz_win\\CONFIG.SYS");
    }
}

TEST(EnvFiles, OrderAndStamp) {
    const auto files = EnvFileTable({"C:\\Q\\", "C:\\W", "", false});
    const char* names[] = {"SYSTEM.DAT", "USER.DAT", "SYSTEM.INI", "WIN.INI", "CONTROL.INI",
                           "WIFEMAN.INI", "PROGMAN.INI", "CONFIG.SYS", "AUTOEXEC.BAT"};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(files[i].backup, std::string("C:\\Q\\qaz_win\\") + names[i]);
    EXPECT_EQ(EnvSaveStamp(2026, 12, 6, 9, 5, "/", ":"), "26/12/06 09:05");
    EXPECT_EQ(EnvSaveStamp(2000, 1, 31, 23, 59, "-", "."), "00-01-31 23.59");
}
