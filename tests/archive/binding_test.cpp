// Binding the outside archiver and picture libraries, against stand-ins
// that record every call made to them.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/bar_window.h"
#include "archive/archive_ops.h"
#include "archive/classify_and_bind.h"
#include "archive/library_binding.h"
#include "core/registry_keys.h"
#include "tests/archive/probe/probe_env.h"
#include "tests/support/fake_host.h"
#include "tests/support/test_env.h"

using namespace qaz;
using qaztest::ProbeLibraries;
using Calls = std::vector<std::string>;

namespace {

HMODULE ModuleOf(const void* address) {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       static_cast<LPCSTR>(address), &module);
    return module;
}

std::vector<const void*> FilledSlots(const LibraryBinding& binding) {
    const EntrySlots& s = binding.entries();
    std::vector<const void*> filled;
    for (const void* p : {(const void*)s.command, (const void*)s.ishCommand, (const void*)s.check,
                          (const void*)s.running, (const void*)s.open, (const void*)s.close,
                          (const void*)s.findFirst, (const void*)s.findNext, (const void*)s.picture,
                          (const void*)s.pictureInfo})
        if (p) filled.push_back(p);
    return filled;
}

class BindingTest : public ::testing::Test {
protected:
    int Classify(const std::string& name, bool archivesOnly = false, int kind = 0) {
        ClassifyAndBind(bench_.context, name, kind, archivesOnly);
        return kind;
    }
    std::vector<const void*> FilledSlots() const { return ::FilledSlots(bench_.binding); }
    const EntrySlots& Entries() const { return bench_.binding.entries(); }
    int BoundKind() const { return bench_.binding.kind(); }
    HMODULE BoundModule() const { return bench_.binding.module(); }
    HWND Window() const { return bench_.host.OwnerWindow(); }
    qaztest::Bench bench_;
};

}  // namespace

TEST_F(BindingTest, SameLibraryStaysBoundAndAnotherReplacesIt) {
    ProbeLibraries probes({"Unlha32.dll", "Cab32.dll"});
    EXPECT_EQ(Classify("C:\\in\\a.lzh"), 9);
    EXPECT_EQ(Classify("C:\\in\\b.LZH"), 9);
    EXPECT_EQ(probes.Count("Unlha32.dll load"), 1);
    EXPECT_EQ(probes.Count("Unlha32.dll unload"), 0);

    EXPECT_EQ(Classify("C:\\in\\c.cab"), 12);
    EXPECT_EQ(probes.Calls(), (Calls{"Unlha32.dll load", "Unlha32.dll unload", "Cab32.dll load"}));
    EXPECT_EQ(BoundKind(), 12);
    // All seven archive entries were found, and every one lies in Cab32.dll.
    const auto slots = FilledSlots();
    EXPECT_EQ(slots.size(), 7u);
    for (const void* p : slots) EXPECT_EQ(ModuleOf(p), BoundModule());

    bench_.binding.Unbind();
    EXPECT_TRUE(FilledSlots().empty());
    EXPECT_EQ(BoundModule(), nullptr);
    EXPECT_EQ(probes.Calls().back(), "Cab32.dll unload");
}

TEST_F(BindingTest, PackModeAlwaysLoadsAfresh) {
    ProbeLibraries probes({"Unlha32.dll"});
    EXPECT_EQ(Classify("a.lzh"), 9);
    EXPECT_EQ(Classify(kPackModeName, false, 9), 9);
    EXPECT_EQ(Classify(kPackModeName, false, 9), 9);
    EXPECT_EQ(probes.Calls(), (Calls{"Unlha32.dll load", "Unlha32.dll unload", "Unlha32.dll load",
                                     "Unlha32.dll unload", "Unlha32.dll load"}));
    EXPECT_NE(Entries().command, nullptr);
}

TEST_F(BindingTest, TarKindsComeFromTheInnerNameWhateverIsBound) {
    ProbeLibraries probes({"Tar32.dll"});
    EXPECT_EQ(Classify("a.tar.gz"), 14);
    EXPECT_EQ(Classify("a.gz"), 15);
    EXPECT_EQ(Classify("A.TAR.Z"), 14);
    EXPECT_EQ(Classify("b.Z"), 15);
    EXPECT_EQ(Classify("c.tgz"), 14);
    EXPECT_EQ(probes.Count("Tar32.dll load"), 1);
    EXPECT_EQ(BoundKind(), 14);
}

TEST_F(BindingTest, MissingLibraryIsReportedByNameAndGivesUnknown) {
    ProbeLibraries probes({"Unlha32.dll"});
    EXPECT_EQ(Classify("a.lzh"), 9);
    std::vector<std::string> texts;
    {
        qaztest::MessageBoxWatcher watcher("QAZ for win32");
        EXPECT_EQ(Classify("a.gz"), -1);
        EXPECT_EQ(Classify("p.gif"), -1);
        texts = watcher.texts();
    }
    EXPECT_EQ(texts, (Calls{"Tar32.dll がありません", "ifgif.spi がありません"}));
    // The failed bind has released what was bound before.
    EXPECT_EQ(BoundKind(), 0);
    EXPECT_TRUE(FilledSlots().empty());
    EXPECT_EQ(probes.Calls().back(), "Unlha32.dll unload");
}

TEST_F(BindingTest, PluginSlotsFollowWhatTheLibraryExports) {
    ProbeLibraries probes({"ifjpeg.spi", "ifpic.spi"});
    EXPECT_EQ(Classify("p.jpeg"), 1);
    EXPECT_NE(Entries().picture, nullptr);
    EXPECT_EQ(Entries().pictureInfo, nullptr);  // ifjpeg.spi here has no GetPictureInfo
    EXPECT_EQ(Entries().command, nullptr);

    EXPECT_EQ(Classify("p.PIC"), 4);
    EXPECT_NE(Entries().picture, nullptr);
    EXPECT_NE(Entries().pictureInfo, nullptr);
    for (const void* p : FilledSlots()) EXPECT_EQ(ModuleOf(p), BoundModule());
    // Archives only: pictures are classified but nothing is bound for them.
    EXPECT_EQ(Classify("q.jpg", true), 1);
    EXPECT_EQ(BoundKind(), 4);
}

TEST_F(BindingTest, IshCommandTakesItsOwnSlot) {
    ProbeLibraries probes({"Ish32.dll"});
    EXPECT_EQ(Classify("f.ish"), 13);
    EXPECT_NE(Entries().ishCommand, nullptr);
    EXPECT_EQ(Entries().command, nullptr);
    EXPECT_NE(Entries().running, nullptr);
}

TEST_F(BindingTest, EntriesAreReadWithinTheirFields) {
    ProbeLibraries probes({"Unlha32.dll", "Cab32.dll"});
    const std::string archive = probes.dir().File("a.lzh", "LZH");
    ASSERT_EQ(Classify(archive), 9);
    std::vector<ArchiveEntry> entries;
    ASSERT_TRUE(ReadArchiveEntries(bench_.binding, Window(), archive, 9, entries));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].originalSize, 1234u);
    EXPECT_EQ(entries[0].ratio, 456);
    EXPECT_EQ(entries[0].date, 0x5A21);
    EXPECT_EQ(entries[0].time, 0x6000);
    EXPECT_EQ(entries[0].path, std::string(524, 'A'));  // unterminated: cut at the method field
    EXPECT_EQ(entries[0].method, "-lh5-");
    EXPECT_FALSE(entries[0].isFolder());
    EXPECT_EQ(entries[1].path, "docs/");
    EXPECT_TRUE(entries[1].isFolder());
    EXPECT_EQ(entries[1].method, "0123456789");
    EXPECT_EQ(probes.CallsWithoutPolls(),
              (Calls{"Unlha32.dll load", "Unlha32.dll check 0", "Unlha32.dll open 08001200",
                     "Unlha32.dll findfirst *.*", "Unlha32.dll findnext", "Unlha32.dll findnext",
                     "Unlha32.dll close"}));

    const std::string cab = probes.dir().File("b.cab", "CAB");
    ASSERT_EQ(Classify(cab), 12);
    ASSERT_TRUE(ReadArchiveEntries(bench_.binding, Window(), cab, 12, entries));
    EXPECT_EQ(probes.Count("Cab32.dll open 00000000"), 1);

    // A file the library refuses is not opened.
    const std::string bad = probes.dir().File("c.cab", "BAD");
    EXPECT_FALSE(ReadArchiveEntries(bench_.binding, Window(), bad, 12, entries));
    EXPECT_EQ(probes.Count("Cab32.dll open 00000000"), 1);
}

TEST_F(BindingTest, ExtractionWaitsForTheLibraryAndReportsRefusedFiles) {
    ProbeLibraries probes({"Unlha32.dll"});
    const std::string bad = probes.dir().File("bad.lzh", "BAD");
    ASSERT_EQ(Classify(bad), 9);
    // A command leaves the library busy for two polls.
    char output[577];
    Entries().command(Window(), "x", output, sizeof output);
    std::vector<std::string> texts;
    {
        qaztest::MessageBoxWatcher watcher("QAZ for win32");
        ExtractArchive(bench_.context, bad, nullptr, 9, false);
        texts = watcher.texts();
    }
    EXPECT_EQ(texts, (Calls{"bad.lzh は不正ファイルです"}));
    EXPECT_EQ(probes.Calls(), (Calls{"Unlha32.dll load", "Unlha32.dll command x 577", "Unlha32.dll running",
                                     "Unlha32.dll running", "Unlha32.dll running", "Unlha32.dll check 0"}));
}

TEST_F(BindingTest, ResetQueueReleasesTheLibrary) {
    ProbeLibraries probes({"Unzip32.dll"});
    qaztest::ClearSettings();
    qaztest::SetDword(kRegMain, "TaskTray", 0);  // removing a tray icon costs Wine two seconds
    BarWindow bar;
    ASSERT_TRUE(bar.Create(nullptr, {}));
    bar.viewers().OpenByKind("a.zip");  // binds the library and lists nothing
    bar.ResetQueue();
    EXPECT_EQ(probes.CallsWithoutPolls().front(), "Unzip32.dll load");
    EXPECT_EQ(probes.CallsWithoutPolls().back(), "Unzip32.dll unload");
    EXPECT_EQ(probes.Count("Unzip32.dll load"), 1);
    qaztest::ClearSettings();
}
