// Start-up: the single-instance guard, the command line and the existence test.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "ScratchDir.h"
#include "TestSystem.h"
#include "app/EditorApp.h"
#include "app/PreviewLayout.h"
#include "model/StringTable.h"
#include "platform/MemoryDialog.h"
#include "resources/EditorResources.h"
#include "sample/Sample.h"

namespace {

namespace fs = std::filesystem;

class EditorAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_EQ(sample::WriteDemo(m_dir.Str(), error), 0) << error;
        testsys::SetEnv("TAVIMET_REGISTRY", (m_dir / "registry.ini").c_str());
        // A lock of this test's own, in a folder private to the user as the lock requires.
        fs::permissions(m_dir.Path(), fs::perms::owner_all, fs::perm_options::replace);
        testsys::SetEnv("XDG_RUNTIME_DIR", m_dir.Str().c_str());
        SetCurrentLanguage(1);
    }
    void TearDown() override { testsys::SetEnv("TAVIMET_REGISTRY", nullptr); }
    ScratchDir m_dir{"tavimet-app"};
};

TEST_F(EditorAppTest, OneArgumentNamingAFileOpensIt) {
    ui::CMemoryUiSystem system;
    int items = -1;
    system.SetScript([&](ui::CMemoryDialog& d) {
        items = d.Get(res::kIdMenuItems).GetCount();
        d.Click(res::kIdOk);
    });
    CEditorApp app;
    EXPECT_FALSE(app.InitInstance(system, {m_dir / "sample.iff"}));
    EXPECT_EQ(system.DialogsRun(), 1);
    EXPECT_EQ(items, sample::kSofaEntries);
    EXPECT_EQ(app.LastDialogResult(), ui::kIdOk);
}

TEST_F(EditorAppTest, SocketsThatDoNotStartEndTheRunWithStringOneHundredThree) {
    ui::CMemoryUiSystem system;
    CEditorApp app;
    app.SetSocketsStart([] { return false; });
    EXPECT_FALSE(app.InitInstance(system, {m_dir / "sample.iff"}));
    EXPECT_EQ(system.DialogsRun(), 0);
    ASSERT_EQ(system.Messages().size(), 1u);
    EXPECT_EQ(system.Messages()[0].first, "Windows sockets initialization failed.");
    EXPECT_EQ(system.Messages()[0].second, ui::MessageIcon::None);
    // Refused before the single-instance guard: another copy may still take it.
    platform::CInstanceLock other;
    EXPECT_EQ(other.Acquire("TavimetMutex"), platform::CInstanceLock::Result::Acquired);
}

TEST_F(EditorAppTest, SecondCopyIsRefusedBeforeAnyWindow) {
    platform::CInstanceLock other;
    ASSERT_EQ(other.Acquire("TavimetMutex"), platform::CInstanceLock::Result::Acquired);
    ui::CMemoryUiSystem system;
    CEditorApp app;
    EXPECT_FALSE(app.InitInstance(system, {m_dir / "sample.iff"}));
    EXPECT_EQ(system.DialogsRun(), 0);
    ASSERT_EQ(system.Messages().size(), 1u);
    EXPECT_EQ(system.Messages()[0].first, "Only one copy of Tavimet is allowed at a time!");
    EXPECT_EQ(system.Messages()[0].second, ui::MessageIcon::Error);
}

TEST_F(EditorAppTest, NoSafePlaceForTheLockRunsWithoutItAndSaysSoInOneLine) {
    // Every place is open to other users: the editor still opens, with one line on stderr.
    platform::LockPlaces places = platform::LockPlaces::FromEnvironment();
    if (places.tmpBase.empty()) GTEST_SKIP() << "this system's lock is a named mutex, not a file";
    places.runtimeDir = m_dir / "run";
    places.tmpBase = m_dir / "tmp";
    places.cacheDir = m_dir / "cache";
    for (const auto& d :
         {places.runtimeDir, places.tmpBase + "/tavimet-" + std::to_string(places.uid),
          places.cacheDir}) {
        fs::create_directories(d);
        fs::permissions(d, fs::perms::all, fs::perm_options::replace);
    }
    ui::CMemoryUiSystem system;
    system.SetScript([](ui::CMemoryDialog& d) { d.Click(res::kIdOk); });
    CEditorApp app;
    app.SetLockPlaces(places);
    ::testing::internal::CaptureStderr();
    app.InitInstance(system, {m_dir / "sample.iff"});
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(system.DialogsRun(), 1);
    EXPECT_TRUE(system.Messages().empty());
    ASSERT_FALSE(err.empty());
    EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
    EXPECT_EQ(err.rfind("tavimet: running without the single-instance guard: no safe place", 0), 0u)
        << err;
}

TEST_F(EditorAppTest, MissingFileIsNamedVerbatim) {
    ui::CMemoryUiSystem system;
    CEditorApp app;
    std::string arg = m_dir / "no such file.iff";
    app.InitInstance(system, {arg});
    EXPECT_EQ(system.DialogsRun(), 0);
    ASSERT_EQ(system.Messages().size(), 1u);
    EXPECT_EQ(system.Messages()[0].first, "Cannot find the file named " + arg);
    EXPECT_EQ(system.Messages()[0].second, ui::MessageIcon::Error);
}

TEST_F(EditorAppTest, TwoArgumentsAskForAFile) {
    ui::CMemoryUiSystem system;
    CEditorApp app;
    // The open-file dialog is cancelled (no answer), which ends the dialog.
    app.InitInstance(system, {"a.iff", "b.iff"});
    EXPECT_EQ(system.DialogsRun(), 1);
    EXPECT_EQ(app.LastDialogResult(), ui::kIdCancel);
    EXPECT_TRUE(system.Messages().empty());
}

TEST_F(EditorAppTest, DirectoryOrPatternPassesTheExistenceTest) {
    EXPECT_TRUE(PathPatternMatches(m_dir.Str()));
    EXPECT_TRUE(PathPatternMatches(m_dir / "*.iff"));
    EXPECT_TRUE(PathPatternMatches(m_dir / "SAMPLE.IFF"));
    EXPECT_FALSE(PathPatternMatches(m_dir / "*.xyz"));
    ui::CMemoryUiSystem system;
    CEditorApp app;
    app.InitInstance(system, {m_dir.Str()});
    EXPECT_EQ(system.DialogsRun(), 1);
    ASSERT_EQ(system.Messages().size(), 1u);
    EXPECT_EQ(system.Messages()[0].first, "Invalid Object File");
    EXPECT_EQ(app.LastDialogResult(), ui::kIdCancel);
}

TEST(PreviewLayout, SmallPictureShrinksTheFrameOnly) {
    ui::Rect frame{400, 250, 715, 450};
    ui::Rect window{-3, -22, 745, 443};
    PreviewLayout p = PlacePreview(frame, window, PictureSize{100, 60});
    EXPECT_TRUE(p.frameVisible);
    EXPECT_EQ(p.frame, (ui::Rect{400, 250, 508, 318}));
    EXPECT_FALSE(p.grew);
    EXPECT_EQ(p.window, window);
}

TEST(PreviewLayout, LargePictureGrowsTheDialogAndTheGroups) {
    ui::Rect frame{400, 250, 715, 450};
    ui::Rect window{-3, -22, 745, 443};
    PreviewLayout p = PlacePreview(frame, window, PictureSize{400, 300});
    EXPECT_EQ(p.frame, (ui::Rect{400, 250, 808, 558}));
    EXPECT_TRUE(p.grew);
    EXPECT_EQ(p.window, (ui::Rect{-3, -22, 816, 566}));
    EXPECT_EQ(p.groupBottom, 554);
    // Growing in one direction only leaves the other edge alone.
    PreviewLayout tall = PlacePreview(frame, window, PictureSize{100, 300});
    EXPECT_EQ(tall.window.right, 745);
    EXPECT_EQ(tall.window.bottom, 566);
}

TEST(PreviewLayout, NoPictureLeavesAHiddenSquare) {
    ui::Rect frame{400, 250, 715, 430};
    ui::Rect window{-3, -22, 745, 443};
    PreviewLayout p = PlacePreview(frame, window, std::nullopt);
    EXPECT_FALSE(p.frameVisible);
    EXPECT_EQ(p.frame, (ui::Rect{400, 420, 410, 430}));
    EXPECT_FALSE(p.grew);
}

} // namespace
