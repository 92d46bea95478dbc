// An Alt-drop on the bar sent by FTP, end to end: the user picks
// "　FTPで送信" in the function chooser, the bar hands the files to the real
// qaz_ftp.dll beside this test, and in the folder chooser the user goes
// into a folder of the server on loopback, makes one there and sends into it.
#include "tests/ftp/harness_client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "app/bar_window.h"
#include "core/registry_keys.h"
#include "ftp/upload_window.h"
#include "intake/function_chooser.h"
#include "tests/support/chooser_mouse.h"

namespace {

using namespace ftptest;

// QAZ_SHOW_MS holds each window a while longer, for screenshots.
void HoldForScreenshot() {
    char hold[16] = {};
    if (GetEnvironmentVariableA("QAZ_SHOW_MS", hold, sizeof hold)) Sleep(static_cast<DWORD>(std::atoi(hold)));
}

class AltDropTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(harness_.ok()) << "no FTP harness (QAZ_FTP_HARNESS)";
        qaztest::ClearSettings();
        qaztest::SetDword(qaz::kRegMain, "TaskTray", 0);
        qaztest::HoldKeys({});
    }
    void TearDown() override {
        qaztest::HoldKeys({});
        qaztest::ClearSettings();
    }
    Harness harness_;
    qaztest::TempDir dir_;
};

TEST_F(AltDropTest, ChosenFtpSendsTheDroppedFilesIntoAFolderMadeOnTheServer) {
    const int port = harness_.Start("normal");
    ASSERT_GT(port, 0);
    harness_.Ask("MKDIR PUB");
    harness_.Ask("MKDIR incoming");
    StoreServer(port, kPassword);
    std::string binary;
    for (int i = 0; i < 300000; ++i) binary += static_cast<char>((i * 13 + i / 512) & 0xFF);
    // Text, text, binary, text.
    const std::vector<std::string> files = {dir_.File("a.txt", "one\r\ntwo\r\n"), dir_.File("b.HTML", "<p>\n"),
                                            dir_.File("c.jpg", binary), dir_.File("d.htm", "end\r\n")};

    qaz::BarWindow bar;
    ASSERT_TRUE(bar.Create(nullptr, {}));
    std::atomic<bool> done{false};
    std::string failed;  // the step the user could not take
    std::vector<std::string> captions;  // the sending window's, as they changed
    Driver driver;
    driver.Run([&](Driver& d) {
        // Whatever goes wrong, the windows are left so that the drop ends.
        const auto fail = [&](const char* step) {
            failed = step;
            if (HWND w = FindWindowA(qaz::kChooserClass, nullptr)) PostMessageA(w, WM_CLOSE, 0, 0);
            if (HWND w = FindWindowA(qaz::ftp::kChooserClass, nullptr)) Driver::Click(w, IDCANCEL);
            done = true;
        };
        HWND chooser = qaztest::WaitForVisible(qaz::kChooserClass);
        if (!chooser) return fail("function chooser");
        HWND ftpLabel = qaztest::ChooserLabel(chooser, "　FTPで送信");
        if (!ftpLabel) return fail("label");
        const RECT r = qaztest::ChildRect(chooser, ftpLabel);
        qaztest::MouseMove(chooser, 40, (r.top + r.bottom) / 2);
        HoldForScreenshot();
        qaztest::MouseClick(chooser, 40, (r.top + r.bottom) / 2);

        HWND folders = d.WaitFor(qaz::ftp::kChooserClass, "FTP - /");
        if (!folders) return fail("folder chooser");
        if (!qaztest::WaitUntil([&] { return Driver::Rows(folders).size() >= 2; })) return fail("root listed");
        HoldForScreenshot();
        if (!Driver::DoubleClickRow(folders, "Pub")) return fail("Pub");
        if (!d.WaitFor(qaz::ftp::kChooserClass, "FTP - /PUB/")) return fail("into PUB");
        SendMessageA(GetDlgItem(folders, qaz::ftp::FolderChooser::kEdit), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>("sent"));
        Driver::Click(folders, qaz::ftp::FolderChooser::kMake);
        // The making ends with the list refilled and the name field emptied.
        HWND edit = GetDlgItem(folders, qaz::ftp::FolderChooser::kEdit);
        if (!qaztest::WaitUntil(
                [&] { return GetWindowTextLengthA(edit) == 0 && IsWindowEnabled(GetDlgItem(folders, IDOK)); }))
            return fail("making ended");
        if (Driver::Rows(folders) != std::vector<std::string>{"sent|File Folder"}) return fail("made folder listed");
        if (!Driver::DoubleClickRow(folders, "sent")) return fail("made folder");
        if (!d.WaitFor(qaz::ftp::kChooserClass, "FTP - /PUB/sent/")) return fail("into the made folder");
        Driver::Click(folders, IDOK);

        // The sending window's captions until it goes.
        HWND upload = FindWindowA(qaz::ftp::kUploadClass, nullptr);
        while (upload && IsWindow(upload) && !d.stopping()) {
            const std::string caption = TextOf(upload);
            if (!caption.empty() && (captions.empty() || captions.back() != caption)) captions.push_back(caption);
            Sleep(5);
        }
        done = true;
    });
    qaztest::HoldKeys({VK_MENU});
    PostMessageA(bar.hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(qaztest::MakeDrop(files)), 0);
    EXPECT_TRUE(qaztest::PumpUntil([&] { return done && !FindWindowA(qaz::ftp::kUploadClass, nullptr); }, 60000));
    qaztest::HoldKeys({});
    driver.Stop();

    EXPECT_EQ(failed, "");
    // Text files come in the server's own line ends, the binary one as it was.
    EXPECT_EQ(harness_.Read("PUB/sent/a.txt"), "one\ntwo\n");
    EXPECT_EQ(harness_.Read("PUB/sent/b.HTML"), "<p>\n");
    const std::string sentBinary = harness_.Read("PUB/sent/c.jpg");
    EXPECT_TRUE(sentBinary == binary) << sentBinary.size() << " bytes arrived of " << binary.size();
    EXPECT_EQ(harness_.Read("PUB/sent/d.htm"), "end\n");
    const auto log = harness_.Log();
    // Text first, then a change for the binary file and one back: none
    // before the second file.
    EXPECT_EQ(Matching(log, "TYPE"), (std::vector<std::string>{"TYPE A", "TYPE I", "TYPE A"}));
    EXPECT_EQ(Matching(log, "STOR"), (std::vector<std::string>{"STOR a.txt", "STOR b.HTML", "STOR c.jpg", "STOR d.htm"}));
    EXPECT_EQ(Matching(log, "MKD"), std::vector<std::string>{"MKD sent"});
    EXPECT_EQ(Matching(log, "QUIT").size(), 1u);
    // The sending window sent without an error and logged out at the end
    // (its "FTP - End" gives way to the logout's captions at once).
    std::string shown;
    for (const auto& c : captions) shown += c + "; ";
    EXPECT_NE(std::find(captions.begin(), captions.end(), "FTP - Sending"), captions.end()) << shown;
    EXPECT_EQ(std::find(captions.begin(), captions.end(), "FTP - Error"), captions.end()) << shown;
    EXPECT_EQ(captions.empty() ? "" : captions.back(), "FTP - Disconnected") << shown;
    // The drop is over: nothing left in the bar's list.
    EXPECT_EQ(bar.queue().Count(), 0);
}

}  // namespace
