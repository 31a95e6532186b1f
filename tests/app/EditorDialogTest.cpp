// The editor dialog driven through the in-memory UI layer on the sample object.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ScratchDir.h"
#include "TestSystem.h"
#include "app/EditorDialog.h"
#include "model/ObjectDefinitions.h"
#include "model/StringTable.h"
#include "model/TreeTable.h"
#include "platform/FaultFiles.h"
#include "platform/MemoryDialog.h"
#include "platform/PlatformFiles.h"
#include "resource/IffFileV2.h"
#include "resource/IffFormat.h"
#include "resource/ResourceKinds.h"
#include "resources/EditorResources.h"
#include "sample/Sample.h"

namespace {

namespace fs = std::filesystem;
using namespace res;

// Row of each shown motive number in the Motives list.
int RowOf(int motive) {
    for (int i = 0; i < CEditorDialog::kShownMotives; ++i)
        if (CEditorDialog::kShownMotiveNumbers[static_cast<std::size_t>(i)] == motive) return i;
    return -1;
}

class EditorDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_EQ(sample::WriteDemo(m_dir.Str(), error), 0) << error;
        testsys::SetEnv("TAVIMET_REGISTRY", (m_dir / "registry.ini").c_str());
        SetCurrentLanguage(1);
    }
    void TearDown() override {
        Close();
        SetCurrentLanguage(1);
        testsys::SetEnv("TAVIMET_REGISTRY", nullptr);
    }

    std::string SamplePath() const { return m_dir / "sample.iff"; }

    void Open(std::optional<std::string> path = std::nullopt) {
        m_editor = std::make_unique<CEditorDialog>();
        m_editor->SetObjectFilePath(path ? *path : SamplePath());
        m_dlg =
            std::make_unique<ui::CMemoryDialog>(EditorDialogTemplate(), *m_editor, &ProgramIcon());
        m_dlg->Create();
    }
    void Close() {
        m_dlg.reset();
        m_editor.reset();
    }

    ui::CMemoryControl& C(int id) { return m_dlg->Get(id); }
    std::string Row(int motive) { return C(kIdMotives).GetItemText(RowOf(motive)); }
    CTreeTableEntry& Entry(int i) { return *m_editor->TreeTable()->Entry(i); }
    std::string Message(std::size_t i) const {
        return i < m_dlg->Messages().size() ? m_dlg->Messages()[i].first : "(no message)";
    }

    std::vector<uint8_t> Bytes() const {
        std::ifstream in(SamplePath(), std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
    void Write(const std::vector<uint8_t>& bytes) const {
        std::ofstream(SamplePath(), std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }

    // Breaks the chunk chain of the sample behind everything the editor loads: the size field of
    // the first sprite header after the last OBJD, TTAB and TTAs becomes 10. With dropMap the
    // header no longer names the resource map, so the file is indexed by scanning. Returns the
    // offset of the damaged header.
    int32_t Damage(bool dropMap) {
        std::vector<uint8_t> b = Bytes();
        std::vector<std::pair<int32_t, uint32_t>> chain;
        for (std::size_t pos = iff::kFileHeaderSize; pos + iff::kChunkHeaderV2 <= b.size();) {
            const uint32_t size = iff::GetBE32(&b[pos + 4]);
            if (size < uint32_t(iff::kChunkHeaderV2) || size > b.size() - pos) break;
            chain.emplace_back(int32_t(pos), iff::GetBE32(&b[pos]));
            pos += size;
        }
        std::size_t after = 0;
        for (std::size_t i = 0; i < chain.size(); ++i)
            if (chain[i].second == 0x4F424A44 || chain[i].second == 0x54544142 ||
                chain[i].second == 0x54544173)
                after = i + 1;
        int32_t at = -1;
        for (std::size_t i = after; i < chain.size() && at < 0; ++i)
            if (chain[i].second == 0x53505232 || chain[i].second == 0x53505223 ||
                chain[i].second == 0x44475250)
                at = chain[i].first;
        EXPECT_GE(at, 0) << "no sprite chunk behind the tables";
        if (at < 0) return at;
        iff::PutBE32(&b[std::size_t(at) + 4], 10);
        if (dropMap) iff::PutBE32(&b[iff::kMapOffsetPos], 0);
        Write(b);
        return at;
    }

    // Replaces the body of the sofa's TTAB, keeping its label.
    void CutTreeTable(int32_t bytes) {
        CIffFileV2 f;
        ASSERT_EQ(f.Open(SamplePath().c_str()), 0);
        CChunk* old = f.GetChunk(0x54544142, sample::kSofaTreeTable, nullptr);
        ASSERT_NE(old, nullptr);
        CFixedString<64> label;
        f.GetLabel(old, label);
        CChunk* cut = CChunk::Create(old->Size() - bytes);
        std::copy(old->Body(), old->Body() + cut->Size(), cut->Body());
        EXPECT_EQ(f.ReleaseChunk(old), kResOk);
        ASSERT_EQ(f.AddChunk(cut, 0x54544142, sample::kSofaTreeTable, label, true), 0);
        ASSERT_EQ(f.ReleaseChunk(cut), 0);
        ASSERT_EQ(f.Close(), 0);
    }

    // The sofa's tree table as stored in the file, in a language.
    std::unique_ptr<CTreeTable> Stored(int32_t language = 1) {
        int32_t keep = GetCurrentLanguage();
        SetCurrentLanguage(language);
        auto file = std::make_unique<CObjectResourceFile>();
        EXPECT_EQ(file->Open(SamplePath().c_str()), 0);
        auto t = std::make_unique<CTreeTable>(16);
        EXPECT_EQ(t->Load(file.get(), sample::kSofaTreeTable), 0);
        EXPECT_EQ(file->Close(), kResOk);
        m_storedFiles.push_back(std::move(file));
        SetCurrentLanguage(keep);
        return t;
    }

    ScratchDir m_dir{"tavimet-dialog"};
    std::unique_ptr<CEditorDialog> m_editor;
    std::unique_ptr<ui::CMemoryDialog> m_dlg;
    std::vector<std::unique_ptr<CObjectResourceFile>> m_storedFiles;
};

TEST_F(EditorDialogTest, InitialisationFillsEveryControl) {
    Open();
    ASSERT_FALSE(m_dlg->IsEnded());
    EXPECT_TRUE(m_dlg->IconSet());
    EXPECT_FALSE(m_dlg->HasSystemMenu());
    EXPECT_EQ(m_dlg->FocusId(), kIdMenuItems);
    EXPECT_EQ(C(kIdLanguage).GetCount(), 20);
    EXPECT_EQ(C(kIdLanguage).GetCurSel(), 0);
    EXPECT_EQ(C(kIdPersonality).GetCount(), 7);
    EXPECT_EQ(C(kIdAttenuationList).Items(),
              (std::vector<std::string>{"Custom", "None", "Low", "Medium", "High"}));
    EXPECT_EQ(C(kIdFlags).Items(),
              (std::vector<std::string>{" Auto First Select", " Allow Consecutive",
                                        " Available to Adults", " Available to Children",
                                        " Available to Visitors"}));
    // Unnamed entries take their routine's label, or "?" and the routine id.
    auto items = C(kIdMenuItems).Items();
    ASSERT_EQ(items.size(), static_cast<std::size_t>(sample::kSofaEntries));
    EXPECT_EQ(items[0], "Sit Down");
    EXPECT_EQ(items[2], "Bounce on Cushions");
    EXPECT_EQ(items[7], "?4200");
    EXPECT_EQ(C(kIdMenuItems).GetCurSel(), 0);
    EXPECT_EQ(C(kIdMenuName).GetText(), "Sit Down");
    EXPECT_EQ(C(kIdAutonomy).GetText(), "50");
    EXPECT_EQ(C(kIdMotives).GetCount(), 9);
    EXPECT_EQ(C(kIdMotives).GetCurSel(), 0);
    EXPECT_EQ(C(kIdMin).GetText(), "0");
    EXPECT_EQ(C(kIdMax).GetText(), "5");
    // Showing the first entry's name counts as a change of the edit.
    EXPECT_TRUE(m_editor->PendingChange());
}

TEST_F(EditorDialogTest, MotiveLabelsFollowTheRecords) {
    Open();
    m_dlg->Select(kIdMenuItems, 1); // Take a Nap
    // min 20, delta 50, personality 1
    EXPECT_EQ(Row(5), "Ease : 20 .. 70, Tidy");
    EXPECT_EQ(Row(7), "Relief : -10 .. -5");
    EXPECT_EQ(Row(3), "Appetite : (no effect)");
    // A record whose max is 0 shows only the no-effect text, whatever its min.
    m_dlg->Select(kIdMenuItems, 4);
    EXPECT_EQ(Row(15), "Vitality : (no effect)");
    m_dlg->Select(kIdMotives, RowOf(15));
    EXPECT_EQ(C(kIdMin).GetText(), "5");
    EXPECT_EQ(C(kIdMax).GetText(), "0");
    // An entry using 8 motive records: rows past them show "?" but still edit the records.
    m_dlg->Select(kIdMenuItems, 6);
    EXPECT_EQ(Row(13), "Craft : ?");
    EXPECT_EQ(Row(9), "Company : ?");
    EXPECT_EQ(Row(5), "Ease : 0 .. 30, Gentle");
    m_dlg->Select(kIdMotives, RowOf(13));
    EXPECT_TRUE(C(kIdMax).IsEnabled());
    EXPECT_EQ(C(kIdMax).GetText(), "0");
    m_dlg->Type(kIdMax, "31");
    m_dlg->Select(kIdPersonality, 2);
    EXPECT_EQ(Entry(6).motives[13].delta, 31);
    EXPECT_EQ(Entry(6).motives[13].personality, 2);
    EXPECT_EQ(Row(13), "Craft : ?");
}

TEST_F(EditorDialogTest, MinAndMaxArithmeticAndCutting) {
    Open();
    m_dlg->Select(kIdMotives, RowOf(5)); // Sit Down, motive 5: min 0, delta 5
    m_dlg->Type(kIdMin, "5");
    m_dlg->Type(kIdMax, "15");
    MotiveRecord& r = Entry(0).motives[5];
    EXPECT_EQ(r.min, 5);
    EXPECT_EQ(r.delta, 10);
    m_dlg->Type(kIdMin, "7"); // delta stays, the max moves with the min
    EXPECT_EQ(r.delta, 10);
    EXPECT_EQ(C(kIdMax).GetText(), "17");
    m_dlg->Type(kIdMax, "20");
    EXPECT_EQ(r.min, 7);
    EXPECT_EQ(r.delta, 13);
    EXPECT_EQ(Row(5), "Ease : 7 .. 20");
    // Values outside 16 bits are cut and then shown as stored.
    m_dlg->Type(kIdMin, "70000");
    EXPECT_EQ(r.min, 70000 - 65536);
    EXPECT_EQ(C(kIdMin).GetText(), "4464");
    m_dlg->Type(kIdMax, "-40000"); // delta = -40000 - 4464, cut
    EXPECT_EQ(r.delta, static_cast<int16_t>(-44464 + 65536));
    EXPECT_EQ(C(kIdMax).GetText(), std::to_string(4464 + r.delta));
    // Text that is no number stores 0 and is then shown as 0.
    m_dlg->Type(kIdMin, "abc");
    EXPECT_EQ(r.min, 0);
    EXPECT_EQ(C(kIdMin).GetText(), "0");
    // The personality list stores the index.
    m_dlg->Select(kIdPersonality, 3);
    EXPECT_EQ(r.personality, 3);
    EXPECT_NE(Row(5).find(", Lively"), std::string::npos);
}

TEST_F(EditorDialogTest, AttenuationDisplayAndEditing) {
    Open();
    EXPECT_EQ(C(kIdAttenuationList).GetCurSel(), 3);
    EXPECT_EQ(C(kIdAttenuationValue).GetText(), "0.02");
    EXPECT_FALSE(C(kIdAttenuationValue).IsEnabled());
    m_dlg->Select(kIdMenuItems, 2); // level 4
    EXPECT_EQ(C(kIdAttenuationValue).GetText(), "0.1");
    m_dlg->Select(kIdMenuItems, 3); // level 1
    EXPECT_EQ(C(kIdAttenuationValue).GetText(), "0.");
    m_dlg->Select(kIdMenuItems, 4); // level 0, custom 0.035
    EXPECT_EQ(C(kIdAttenuationValue).GetText(), "0.035");
    EXPECT_TRUE(C(kIdAttenuationValue).IsEnabled());
    // Choosing level 0 shows the stored custom value of the entry.
    m_dlg->Select(kIdMenuItems, 0);
    m_dlg->Select(kIdAttenuationList, 0);
    EXPECT_EQ(Entry(0).attenuationLevel, 0u);
    EXPECT_EQ(C(kIdAttenuationValue).GetText(), "0.");
    m_dlg->Type(kIdAttenuationValue, "10");
    EXPECT_EQ(Entry(0).attenuationValue, 10.0f);
    m_dlg->Select(kIdMenuItems, 1);
    m_dlg->Select(kIdMenuItems, 0);
    EXPECT_EQ(C(kIdAttenuationValue).GetText(), "10.");
    // A preset level leaves the value edit disabled: nothing can be typed there.
    m_dlg->Select(kIdMenuItems, 1);
    m_dlg->Type(kIdAttenuationValue, "0.5");
    EXPECT_EQ(Entry(1).attenuationLevel, 2u);
    // Text that does not parse changes nothing.
    m_dlg->Select(kIdMenuItems, 4);
    m_dlg->Type(kIdAttenuationValue, "x");
    EXPECT_EQ(Entry(4).attenuationValue, 0.035f);
}

TEST_F(EditorDialogTest, ShowingAnEntryNeverChangesItsCustomAttenuation) {
    Open();
    m_dlg->Select(kIdMenuItems, 4);
    m_dlg->Type(kIdAttenuationValue, "0.1234567");
    const float typed = Entry(4).attenuationValue;
    m_dlg->Select(kIdMenuItems, 0);
    m_dlg->Select(kIdMenuItems, 4);
    // Six decimals cannot hold the value; the rounded display must not be stored back.
    EXPECT_EQ(C(kIdAttenuationValue).GetText(), "0.123457");
    EXPECT_EQ(Entry(4).attenuationValue, typed);
}

TEST_F(EditorDialogTest, AutonomyIsCutToSixteenBits) {
    Open();
    m_dlg->Select(kIdMenuItems, 3);
    EXPECT_EQ(C(kIdAutonomy).GetText(), "-5");
    m_dlg->Type(kIdAutonomy, "70000");
    EXPECT_EQ(Entry(3).autonomyThreshold, 4464u);
    m_dlg->Type(kIdAutonomy, "40000"); // stored sign-extended
    EXPECT_EQ(Entry(3).autonomyThreshold, static_cast<uint32_t>(-25536));
    m_dlg->Type(kIdAutonomy, "none");
    EXPECT_EQ(Entry(3).autonomyThreshold, static_cast<uint32_t>(-25536));
}

TEST_F(EditorDialogTest, FlagRowsOneAndTwoAreInvertedAndTogglesAreStored) {
    Open();
    m_dlg->Select(kIdMenuItems, 3); // Chat: 0x001 | 0x040
    ui::CMemoryControl& f = C(kIdFlags);
    EXPECT_TRUE(f.GetCheck(0));
    EXPECT_TRUE(f.GetCheck(1));  // 0x010 clear
    EXPECT_FALSE(f.GetCheck(2)); // 0x040 set
    EXPECT_FALSE(f.GetCheck(3));
    EXPECT_FALSE(f.GetCheck(4));
    // Toggling a box stores the flags at once, without a change of the selected row.
    m_dlg->ToggleCheck(kIdFlags, 2);
    EXPECT_EQ(Entry(3).flags, 0x001u);
    m_dlg->ToggleCheck(kIdFlags, 4);
    EXPECT_EQ(Entry(3).flags, 0x101u);
    m_dlg->Click(kIdApply);
    EXPECT_TRUE(m_dlg->Messages().empty());
    Close();
    EXPECT_EQ(Stored()->Entry(3)->flags, 0x101u);
}

TEST_F(EditorDialogTest, OkSavesAndClosesWithOk) {
    Open();
    m_dlg->Select(kIdMenuItems, 8);
    m_dlg->Select(kIdMotives, RowOf(9));
    m_dlg->Type(kIdMax, "42");
    m_dlg->Click(kIdOk);
    EXPECT_TRUE(m_dlg->IsEnded());
    EXPECT_EQ(m_dlg->Result(), ui::kIdOk);
    EXPECT_FALSE(m_editor->PendingChange());
    Close();
    auto t = Stored();
    EXPECT_EQ(t->Entry(8)->motives[9].min + t->Entry(8)->motives[9].delta, 42);
    EXPECT_EQ(t->Label().Text(), std::string("Sofa interactions"));
}

TEST_F(EditorDialogTest, LanguageSwitchReloadsAndDiscardsEdits) {
    Open();
    m_dlg->Select(kIdMotives, RowOf(6));
    m_dlg->Type(kIdMin, "33");
    EXPECT_EQ(Entry(0).motives[6].min, 33);
    m_dlg->Select(kIdLanguage, 2); // French
    EXPECT_EQ(GetCurrentLanguage(), 3);
    EXPECT_EQ(C(kIdLanguage).GetCurSel(), 2);
    EXPECT_EQ(C(kIdMenuItems).GetItemText(0), "S'asseoir");
    EXPECT_EQ(C(kIdMenuItems).GetItemText(2), "Bounce on Cushions");
    EXPECT_EQ(Entry(0).motives[6].min, 10);
    m_dlg->Select(kIdLanguage, 0);
    EXPECT_EQ(C(kIdMenuItems).GetItemText(0), "Sit Down");
    Close();
    EXPECT_EQ(Stored()->Entry(0)->motives[6].min, 10);
}

TEST_F(EditorDialogTest, NameIsSavedWhenTheEditLosesTheFocus) {
    Open();
    m_dlg->Select(kIdMenuItems, 1);
    m_dlg->Type(kIdMenuName, "Snooze");
    // The list keeps the old line until it is refilled.
    EXPECT_EQ(C(kIdMenuItems).GetItemText(1), "Take a Nap");
    EXPECT_EQ(Entry(1).name.Text(), std::string("Snooze"));
    m_dlg->Click(kIdCancel);
    EXPECT_TRUE(m_dlg->IsEnded());
    EXPECT_EQ(m_dlg->Result(), ui::kIdCancel);
    Close();
    EXPECT_EQ(Stored()->Entry(1)->name.Text(), std::string("Snooze"));
    // Other languages keep their own names.
    EXPECT_EQ(Stored(3)->Entry(1)->name.Text(), std::string("Faire la sieste"));
}

TEST_F(EditorDialogTest, ANameStillInTheFocusedEditIsSavedWhenAKeyClosesTheDialog) {
    // Enter and Esc leave the focus where it is: the edit loses it only as the dialog closes.
    for (bool enter : {false, true}) {
        SCOPED_TRACE(enter ? "Enter" : "Esc");
        Open();
        m_dlg->Select(kIdMenuItems, 1);
        m_dlg->Type(kIdMenuName, enter ? "Doze" : "Snooze");
        if (enter)
            m_dlg->PressEnter();
        else
            m_dlg->PressEscape();
        EXPECT_EQ(m_dlg->Result(), enter ? ui::kIdOk : ui::kIdCancel);
        EXPECT_TRUE(m_dlg->Messages().empty());
        Close();
        EXPECT_EQ(Stored()->Entry(1)->name.Text(), std::string(enter ? "Doze" : "Snooze"));
    }
}

TEST_F(EditorDialogTest, CancelWithoutTypingSavesNothing) {
    Open();
    m_dlg->Select(kIdMotives, RowOf(6));
    m_dlg->Type(kIdMin, "33");
    m_dlg->PressEscape();
    EXPECT_EQ(m_dlg->Result(), ui::kIdCancel);
    Close();
    EXPECT_EQ(Stored()->Entry(0)->motives[6].min, 10);
}

TEST_F(EditorDialogTest, LongNamesAreCutWhenStored) {
    Open();
    std::string longName(80, 'n');
    m_dlg->Type(kIdMenuName, longName);
    EXPECT_EQ(Entry(0).name.Text(), std::string(63, 'n'));
    EXPECT_EQ(C(kIdMenuName).GetText(), longName);
    m_dlg->Click(kIdApply);
    EXPECT_EQ(C(kIdMenuItems).GetItemText(0), std::string(63, 'n'));
}

TEST_F(EditorDialogTest, MissingBehaviourFileLeavesNamesEmpty) {
    testsys::SetEnv("TAVIMET_REGISTRY", (m_dir / "missing.ini").c_str());
    Open();
    ASSERT_FALSE(m_dlg->IsEnded());
    EXPECT_EQ(C(kIdAttenuationList).GetCount(), 0);
    EXPECT_EQ(C(kIdPersonality).GetCount(), 0);
    EXPECT_EQ(C(kIdAttenuationList).GetCurSel(), -1);
    EXPECT_EQ(Entry(0).attenuationLevel, 3u);
    EXPECT_EQ(Row(5), "_#5 : 0 .. 5");
    EXPECT_EQ(Row(3), "_#3 : ");
    for (int i = 0; i < CEditorDialog::kShownMotives; ++i)
        EXPECT_EQ(
            C(kIdMotives)
                .GetItemText(i)
                .rfind("_#" + std::to_string(CEditorDialog::kShownMotiveNumbers[std::size_t(i)]) +
                           " : ",
                       0),
            0u);
}

TEST_F(EditorDialogTest, FilesThatAreNoObjectFilesEndTheDialog) {
    // Not a resource file at all.
    std::ofstream(m_dir / "text.iff") << "hello";
    Open(m_dir / "text.iff");
    EXPECT_TRUE(m_dlg->IsEnded());
    EXPECT_EQ(m_dlg->Result(), ui::kIdCancel);
    ASSERT_EQ(m_dlg->Messages().size(), 1u);
    EXPECT_EQ(m_dlg->Messages()[0].first, "Invalid Object File");
    EXPECT_EQ(m_dlg->Messages()[0].second, ui::MessageIcon::None);
    EXPECT_EQ(m_editor->ObjectSet(), nullptr);
    Close();
    // A resource file without object definitions.
    {
        CIffFileV2 f;
        ASSERT_EQ(f.Create((m_dir / "empty.iff").c_str()), 0);
    }
    Open(m_dir / "empty.iff");
    EXPECT_TRUE(m_dlg->IsEnded());
    ASSERT_EQ(m_dlg->Messages().size(), 1u);
    EXPECT_EQ(m_dlg->Messages()[0].first, "Invalid Object File");
}

TEST_F(EditorDialogTest, CancelledOpenDialogEndsWithCancel) {
    m_editor = std::make_unique<CEditorDialog>();
    m_dlg = std::make_unique<ui::CMemoryDialog>(EditorDialogTemplate(), *m_editor);
    m_dlg->SetOpenFileAnswer(std::nullopt);
    m_dlg->Create();
    EXPECT_TRUE(m_dlg->IsEnded());
    EXPECT_EQ(m_dlg->Result(), ui::kIdCancel);
    EXPECT_EQ(m_dlg->OpenFileFilters(), (std::vector<std::string>{"IFF Files (*.iff)|*.iff||"}));
    EXPECT_TRUE(m_dlg->Messages().empty());
}

TEST_F(EditorDialogTest, ChosenFileIsOpened) {
    m_editor = std::make_unique<CEditorDialog>();
    m_dlg = std::make_unique<ui::CMemoryDialog>(EditorDialogTemplate(), *m_editor);
    m_dlg->SetOpenFileAnswer(SamplePath());
    m_dlg->Create();
    EXPECT_FALSE(m_dlg->IsEnded());
    EXPECT_EQ(m_editor->ObjectFilePath(), SamplePath());
    EXPECT_EQ(C(kIdMenuItems).GetCount(), sample::kSofaEntries);
}

TEST_F(EditorDialogTest, PreviewFrameHugsThePicture) {
    Open();
    const CDibSection* pic = m_editor->PreviewImage();
    ui::Rect frame = C(kIdPreviewFrame).GetRect();
    if (!pic) {
        EXPECT_FALSE(C(kIdPreviewFrame).IsVisible());
        EXPECT_EQ(frame.Width(), 10);
        return;
    }
    EXPECT_TRUE(C(kIdPreviewFrame).IsVisible());
    EXPECT_EQ(frame.left, m_dlg->DialogUnitsToPixelsX(227));
    EXPECT_EQ(frame.Width(), pic->Width() + 8);
    EXPECT_EQ(frame.Height(), pic->Height() + 8);
    // Painting copies the picture at the frame's corner plus 4.
    struct Paint : ui::IPaintContext {
        int x = -1, y = -1, w = 0, h = 0;
        void DrawBgr24(int px, int py, int pw, int ph, const std::uint8_t*, std::size_t) override {
            x = px, y = py, w = pw, h = ph;
        }
        void DrawIcon(int, int) override {}
    } paint;
    m_dlg->Paint(paint);
    EXPECT_EQ(paint.x, frame.left + 4);
    EXPECT_EQ(paint.y, frame.top + 4);
    EXPECT_EQ(paint.w, pic->Width());
}

// What the editor says when it refuses to save into a file damaged at offset AT.
std::string DamageRefusal(int32_t at) {
    return "Could not save tree table\nthe file is damaged at offset " + std::to_string(at) +
           "; nothing was written (see tavimet-cli check)";
}

// A file whose chunk chain breaks is opened to look at; Apply and OK refuse to write a byte of it.
TEST_F(EditorDialogTest, DamagedFileIsShownButNeverWritten) {
    const int32_t at = Damage(true);
    ASSERT_GE(at, 0);
    const std::vector<uint8_t> before = Bytes();
    const std::string refused = DamageRefusal(at);
    Open();
    ASSERT_FALSE(m_dlg->IsEnded()) << Message(0);
    EXPECT_TRUE(m_dlg->Messages().empty()) << Message(0);
    EXPECT_TRUE(m_editor->FileDamaged());
    EXPECT_EQ(C(kIdMenuItems).GetCount(), sample::kSofaEntries);
    m_dlg->Select(kIdMotives, RowOf(6));
    m_dlg->Type(kIdMin, "33");
    m_dlg->Click(kIdApply);
    ASSERT_EQ(m_dlg->Messages().size(), 1u);
    EXPECT_EQ(Message(0), refused);
    EXPECT_EQ(m_dlg->Messages()[0].second, ui::MessageIcon::None);
    EXPECT_TRUE(m_editor->PendingChange());
    // OK refuses in the same words and still closes.
    m_dlg->Click(kIdOk);
    EXPECT_TRUE(m_dlg->IsEnded());
    EXPECT_EQ(m_dlg->Result(), ui::kIdOk);
    ASSERT_EQ(m_dlg->Messages().size(), 2u);
    EXPECT_EQ(Message(1), refused);
    Close();
    EXPECT_EQ(Bytes(), before);
}

// A file indexed from its resource map opens writable; the damage shows at the first change,
// and from then on the editor refuses at once.
TEST_F(EditorDialogTest, DamageFoundWhenSavingAMappedFileIsReported) {
    const int32_t at = Damage(false);
    ASSERT_GE(at, 0);
    const std::vector<uint8_t> before = Bytes();
    const std::string refused = DamageRefusal(at);
    Open();
    ASSERT_FALSE(m_dlg->IsEnded()) << Message(0);
    m_dlg->ToggleCheck(kIdFlags, 4);
    m_dlg->Click(kIdApply);
    ASSERT_EQ(m_dlg->Messages().size(), 1u);
    EXPECT_EQ(Message(0), refused);
    EXPECT_TRUE(m_editor->FileDamaged());
    m_dlg->Click(kIdApply);
    ASSERT_EQ(m_dlg->Messages().size(), 2u);
    EXPECT_EQ(Message(1), refused);
    Close();
    EXPECT_EQ(Bytes(), before);
}

// A names table that cannot be stored: the message says why and that nothing was saved, and
// indeed neither the flags nor the name reached the file.
TEST_F(EditorDialogTest, FailedSaveNamesItsCauseAndWhatWasSaved) {
    {
        CIffFileV2 f;
        ASSERT_EQ(f.Open(SamplePath().c_str()), 0);
        std::vector<uint8_t> body{0xFD, 0xFF, uint8_t(20000 & 0xFF), uint8_t(20000 >> 8)};
        for (int i = 0; i < 20000; ++i) {
            body.push_back(1);
            const std::string text = "name " + std::to_string(i);
            body.insert(body.end(), text.begin(), text.end());
            body.push_back(0);
            body.push_back(0);
        }
        CChunk* names = CChunk::Create(int32_t(body.size()));
        std::copy(body.begin(), body.end(), names->Body());
        CFixedString<64> label("names");
        ASSERT_EQ(f.AddChunk(names, 0x54544173, sample::kSofaTreeTable, label, true), 0);
        ASSERT_EQ(f.ReleaseChunk(names), 0);
        ASSERT_EQ(f.Close(), 0);
    }
    const uint32_t flags = Stored(3)->Entry(0)->flags;
    Open();
    m_dlg->Select(kIdLanguage, 2); // French: a French copy of 20000 names, 40000 in all
    m_dlg->ToggleCheck(kIdFlags, 4);
    m_dlg->Type(kIdMenuName, "Assis");
    m_dlg->Click(kIdApply); // leaving the name edit saves too: every attempt says the same
    ASSERT_FALSE(m_dlg->Messages().empty());
    for (const auto& [text, icon] : m_dlg->Messages()) {
        EXPECT_EQ(text, "Could not save tree table\nthe names table would hold more than 32767 "
                        "strings (status -2); nothing was saved");
        EXPECT_EQ(icon, ui::MessageIcon::None);
    }
    Close();
    auto stored = Stored(3);
    EXPECT_EQ(stored->Entry(0)->flags, flags);
    EXPECT_EQ(stored->Entry(0)->name.Text(), std::string("name 0"));
}

TEST_F(EditorDialogTest, FullDiskIsNamedAsTheCause) {
    Open();
    m_dlg->ToggleCheck(kIdFlags, 4);
    CFaultFiles faults;
    faults.Arm(1, FaultKind::NoSpace); // every write from now on fails
    CPlatformFilesScope scope(faults);
    m_dlg->Click(kIdApply);
    ASSERT_EQ(m_dlg->Messages().size(), 1u);
    const std::string message = Message(0);
    EXPECT_EQ(message.rfind("Could not save tree table\nno space left on the device (status -", 0),
              0u)
        << message;
    EXPECT_NE(message.find("; nothing was saved"), std::string::npos) << message;
    Close();
}

// Files opened read-only because they cannot be opened for writing: Apply says why.
class RefuseWriting final : public IPlatformFiles {
public:
    PlatformFile Open(const char* path, PlatformAccess access, PlatformOpen how,
                      const PlatformOpenOptions& options) override {
        if (access != PlatformAccess::Read) {
            NotePlatformFailure(PlatformFailure::Denied);
            return kNoPlatformFile;
        }
        return m_inner.Open(path, access, how, options);
    }
    int64_t Read(PlatformFile f, void* buf, int64_t n) override { return m_inner.Read(f, buf, n); }
    int64_t Write(PlatformFile f, const void* buf, int64_t n) override {
        return m_inner.Write(f, buf, n);
    }
    int64_t Seek(PlatformFile f, int64_t offset) override { return m_inner.Seek(f, offset); }
    bool SetEnd(PlatformFile f) override { return m_inner.SetEnd(f); }
    bool Flush(PlatformFile f) override { return m_inner.Flush(f); }
    int64_t Size(PlatformFile f) override { return m_inner.Size(f); }
    void Close(PlatformFile f) override { m_inner.Close(f); }
    bool Delete(const char*) override { return false; }

private:
    IPlatformFiles& m_inner = SystemPlatformFiles();
};

TEST_F(EditorDialogTest, ReadOnlyFileSaysWhyItCannotSave) {
    const std::vector<uint8_t> before = Bytes();
    {
        RefuseWriting refuse;
        CPlatformFilesScope scope(refuse);
        Open();
        ASSERT_FALSE(m_dlg->IsEnded());
        EXPECT_FALSE(m_editor->FileDamaged());
        m_dlg->ToggleCheck(kIdFlags, 4);
        m_dlg->Click(kIdApply);
        ASSERT_EQ(m_dlg->Messages().size(), 1u);
        const std::string message = Message(0);
        EXPECT_EQ(message.rfind("Could not save tree table\nthe file is read-only (permission "
                                "denied) (status -",
                                0),
                  0u)
            << message;
        EXPECT_NE(message.find("; nothing was saved"), std::string::npos) << message;
        Close();
    }
    EXPECT_EQ(Bytes(), before);
}

// A tree table shorter than its count: one warning with both counts when the file is opened
// (not again when the language changes); saving then keeps what could be read.
TEST_F(EditorDialogTest, ShortTreeTableIsReportedOnceWhenOpened) {
    CutTreeTable(3);
    Open();
    ASSERT_FALSE(m_dlg->IsEnded());
    ASSERT_TRUE(m_editor->TreeTable()->WasTruncated());
    const int read = m_editor->TreeTable()->Count();
    EXPECT_EQ(m_editor->TreeTable()->StoredCount(), sample::kSofaEntries);
    EXPECT_LT(read, sample::kSofaEntries);
    ASSERT_EQ(m_dlg->Messages().size(), 1u);
    EXPECT_EQ(Message(0), "The tree table ends early: it holds " +
                              std::to_string(sample::kSofaEntries) + " entries, but only " +
                              std::to_string(read) + " could be read.\nSaving keeps only the " +
                              std::to_string(read) + " entries that could be read.");
    EXPECT_EQ(m_dlg->Messages()[0].second, ui::MessageIcon::None);
    EXPECT_EQ(C(kIdMenuItems).GetCount(), read);
    m_dlg->Select(kIdLanguage, 2);
    m_dlg->Select(kIdLanguage, 0);
    EXPECT_EQ(m_dlg->Messages().size(), 1u);
    m_dlg->Click(kIdApply);
    EXPECT_EQ(m_dlg->Messages().size(), 1u);
    Close();
    auto stored = Stored();
    EXPECT_EQ(stored->Count(), read);
    EXPECT_FALSE(stored->WasTruncated());
}

} // namespace
