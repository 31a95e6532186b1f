// The editor in each of the twenty languages, through the in-memory dialog: names shown and typed
// in the selected language's code page, characters the code page cannot hold refused with a beep
// and nothing changed, bytes invalid in the code page kept through opening, selecting and OK,
// and the behaviour file's names shown in the code page of the language they are read in.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ScratchDir.h"
#include "TestSystem.h"
#include "app/EditorDialog.h"
#include "model/LanguageSamples.h"
#include "model/LanguageText.h"
#include "model/StringTable.h"
#include "model/TreeTable.h"
#include "platform/MemoryDialog.h"
#include "resource/IffFileV2.h"
#include "resource/ResourceKinds.h"
#include "resources/EditorResources.h"
#include "sample/Sample.h"

namespace {

namespace fs = std::filesystem;
using namespace res;
using langtest::LanguageSample;
using langtest::Samples;

using LanguageSets = std::array<std::vector<std::string>, kLanguageCount>;

class EditorLanguageTest : public ::testing::Test {
protected:
    void SetUp() override {
        NewDemo();
        SetCurrentLanguage(1);
    }
    void TearDown() override {
        Close();
        SetCurrentLanguage(1);
        testsys::SetEnv("TAVIMET_REGISTRY", nullptr);
    }

    void NewDemo() {
        Close();
        fs::remove_all(m_dir.Path());
        std::string error;
        ASSERT_EQ(sample::WriteDemo(m_dir.Str(), error), 0) << error;
        testsys::SetEnv("TAVIMET_REGISTRY", (m_dir / "registry.ini").c_str());
    }

    std::string SamplePath() const { return m_dir / "sample.iff"; }
    std::string BehaviorPath() const { return m_dir / "gamedata/behavior.iff"; }

    void Open() {
        m_editor = std::make_unique<CEditorDialog>();
        m_editor->SetObjectFilePath(SamplePath());
        m_dlg =
            std::make_unique<ui::CMemoryDialog>(EditorDialogTemplate(), *m_editor, &ProgramIcon());
        m_dlg->Create();
        ASSERT_FALSE(m_dlg->IsEnded());
    }
    void Close() {
        m_dlg.reset();
        m_editor.reset();
    }
    void SelectLanguage(int32_t language) {
        m_dlg->Select(kIdLanguage, language - 1);
        ASSERT_EQ(GetCurrentLanguage(), language);
    }

    ui::CMemoryControl& C(int id) { return m_dlg->Get(id); }
    std::string NameBytes(int entry) {
        const CTGString& n = m_editor->TreeTable()->Entry(entry)->name;
        return std::string(n.Text(), n.Length());
    }

    // The stored body of a chunk of the sample, byte for byte.
    std::vector<uint8_t> Body(uint32_t type, int16_t id) {
        CIffFileV2 file;
        EXPECT_EQ(file.OpenReadOnly(SamplePath().c_str()), 0);
        std::vector<uint8_t> body;
        if (CChunk* chunk = file.GetChunk(type, id, nullptr)) {
            body.assign(chunk->Body(), chunk->Body() + chunk->Size());
            EXPECT_EQ(file.ReleaseChunk(chunk), kResOk);
        }
        EXPECT_EQ(file.Close(), kResOk);
        return body;
    }

    // The names each language holds of its own in the sofa's TTAs (a language without names of
    // its own is empty).
    LanguageSets StoredNames() {
        LanguageSets sets;
        CIffFileV2 file;
        EXPECT_EQ(file.OpenReadOnly(SamplePath().c_str()), 0);
        CStringTable t;
        t.Configure(&file, CStringTable::kTypeTTAs, sample::kSofaTreeTable, false, 0);
        EXPECT_EQ(t.Load(true, false), 0);
        for (int32_t slot = 0; slot < kLanguageCount; ++slot) {
            bool own = slot == 0;
            for (int32_t p = 1; p <= t.Count(slot); ++p)
                own = own || t.Item(p, slot)->sourceLanguage != 0;
            if (!own) continue;
            for (int32_t p = 1; p <= t.Count(slot); ++p)
                sets[size_t(slot)].push_back(t.GetText(p, slot) ? t.GetText(p, slot) : "");
        }
        EXPECT_EQ(file.Close(), kResOk);
        return sets;
    }

    // Stores names of its own for a language into the sofa's TTAs (and a table in any file).
    void StoreNames(const std::string& path, uint32_t type, int16_t id, int32_t language,
                    const std::vector<std::string>& names) {
        CIffFileV2 file;
        ASSERT_EQ(file.Open(path.c_str()), 0);
        CStringTable t;
        t.Configure(&file, type, id, false, language - 1);
        ASSERT_EQ(t.Load(false, true), 0);
        for (size_t i = 0; i < names.size(); ++i)
            t.SetText(int32_t(i + 1), names[i].c_str());
        ASSERT_EQ(t.Save(), 0);
        ASSERT_EQ(file.Close(), 0);
    }

    ScratchDir m_dir{"tavimet-languages"};
    std::unique_ptr<CEditorDialog> m_editor;
    std::unique_ptr<ui::CMemoryDialog> m_dlg;
};

TEST_F(EditorLanguageTest, EachLanguageShowsAndStoresItsOwnScript) {
    for (const LanguageSample& s : Samples()) {
        SCOPED_TRACE(s.language);
        NewDemo();
        const LanguageSets before = StoredNames();
        Open();
        SelectLanguage(s.language);
        m_dlg->Select(kIdMenuItems, 1);
        m_dlg->Type(kIdMenuName, s.text);
        EXPECT_EQ(NameBytes(1), s.bytes);
        EXPECT_EQ(C(kIdMenuName).GetText(), s.text);
        m_dlg->Click(kIdApply);
        EXPECT_EQ(C(kIdMenuItems).GetItemText(1), s.text);
        EXPECT_EQ(m_dlg->Beeps(), 0);
        EXPECT_TRUE(m_dlg->Messages().empty());
        m_dlg->Click(kIdOk);
        ASSERT_TRUE(m_dlg->IsEnded());
        Close();

        // The name is the code page's bytes, in that language's names only.
        const LanguageSets after = StoredNames();
        ASSERT_GE(after[size_t(s.language - 1)].size(), 2u);
        EXPECT_EQ(after[size_t(s.language - 1)][1], s.bytes);
        for (int32_t slot = 0; slot < kLanguageCount; ++slot)
            if (slot != s.language - 1) {
                EXPECT_EQ(after[size_t(slot)], before[size_t(slot)]);
            }

        // Opened again, it shows as the same text.
        Open();
        SelectLanguage(s.language);
        EXPECT_EQ(C(kIdMenuItems).GetItemText(1), s.text);
        m_dlg->Select(kIdMenuItems, 1);
        EXPECT_EQ(C(kIdMenuName).GetText(), s.text);
        Close();
    }
}

TEST_F(EditorLanguageTest, ACharacterTheCodePageCannotHoldBeepsAndChangesNothing) {
    Open();
    for (const LanguageSample& s : Samples()) {
        SCOPED_TRACE(s.language);
        SelectLanguage(s.language);
        m_dlg->Select(kIdMenuItems, 0);
        m_dlg->Type(kIdMenuName, s.text);
        const int beeps = m_dlg->Beeps();
        m_dlg->Type(kIdMenuName, std::string(s.text) + s.refused);
        EXPECT_EQ(m_dlg->Beeps(), beeps + 1);
        // The name stays as it was, and the edit shows it again.
        EXPECT_EQ(NameBytes(0), s.bytes);
        EXPECT_EQ(C(kIdMenuName).GetText(), s.text);
        EXPECT_TRUE(m_dlg->Messages().empty());
        // Typing goes on from there.
        m_dlg->Type(kIdMenuName, std::string(s.text) + "1");
        EXPECT_EQ(NameBytes(0), std::string(s.bytes) + "1");
        EXPECT_EQ(m_dlg->Beeps(), beeps + 1);
    }
}

TEST_F(EditorLanguageTest, BytesInvalidInTheCodePageSurviveOpeningSelectingAndOk) {
    for (const LanguageSample& s : Samples()) {
        SCOPED_TRACE(s.language);
        NewDemo();
        // Names made elsewhere: invalid bytes alone, among valid ones, at the end, and a name
        // longer than a typed name may be.
        std::vector<std::string> stored;
        for (int i = 0; i < sample::kSofaEntries; ++i)
            stored.push_back(i % 3 == 0   ? std::string(s.invalid)
                             : i % 3 == 1 ? std::string(s.bytes) + s.invalid
                                          : std::string(s.invalid) + s.bytes);
        stored[4] = s.invalid;
        while (stored[4].size() <= 63)
            stored[4] += s.bytes;
        StoreNames(SamplePath(), CStringTable::kTypeTTAs, sample::kSofaTreeTable, s.language,
                   stored);
        const LanguageSets before = StoredNames();
        ASSERT_EQ(before[size_t(s.language - 1)], stored);
        const std::vector<uint8_t> names = Body(CStringTable::kTypeTTAs, sample::kSofaTreeTable);
        const std::vector<uint8_t> table = Body(CTreeTable::kTypeTTAB, sample::kSofaTreeTable);
        ASSERT_FALSE(names.empty());

        Open();
        SelectLanguage(s.language);
        for (int i = 0; i < sample::kSofaEntries; ++i) {
            m_dlg->Select(kIdMenuItems, i);
            // What is shown stands for exactly the stored bytes.
            EXPECT_EQ(C(kIdMenuName).GetText(),
                      language_text::DecodeForEditing(stored[size_t(i)], s.language));
            EXPECT_EQ(NameBytes(i), stored[size_t(i)]);
        }
        m_dlg->Select(kIdMenuItems, 0);
        m_dlg->Click(kIdOk);
        ASSERT_TRUE(m_dlg->IsEnded());
        Close();
        // OK saved the table and its names again: every byte of both is as it was.
        EXPECT_EQ(StoredNames(), before);
        EXPECT_EQ(Body(CStringTable::kTypeTTAs, sample::kSofaTreeTable), names);
        EXPECT_EQ(Body(CTreeTable::kTypeTTAB, sample::kSofaTreeTable), table);

        // Typing next to such bytes keeps them.
        Open();
        SelectLanguage(s.language);
        m_dlg->Select(kIdMenuItems, 1);
        m_dlg->Type(kIdMenuName, C(kIdMenuName).GetText() + "!");
        EXPECT_EQ(NameBytes(1), stored[1] + "!");
        EXPECT_EQ(m_dlg->Beeps(), 0);
        Close();
    }
}

TEST_F(EditorLanguageTest, BehaviourNamesShowInTheCodePageOfTheirLanguage) {
    StoreNames(BehaviorPath(), CStringTable::kTypeStr, 232, 13,
               {"(\xeb\xfe\xe1\xee\xe9)", "\xc0\xea\xea\xf3\xf0\xe0\xf2\xed\xfb\xe9"});
    StoreNames(BehaviorPath(), CStringTable::kTypeStr, 134, 13,
               {"\xc2\xfb\xed\xee\xf1\xeb\xe8\xe2\xee\xf1\xf2\xfc", "", "", "", "",
                "\xce\xf2\xe4\xfb\xf5"});
    SetCurrentLanguage(13);
    Open();
    EXPECT_EQ(C(kIdPersonality).GetItemText(0), "(любой)");
    EXPECT_EQ(C(kIdPersonality).GetItemText(1), "Аккуратный");
    // Motive 5 (the first row) is "Отдых" in Russian.
    EXPECT_EQ(C(kIdMotives).GetItemText(0).substr(0, std::string("Отдых : ").size()), "Отдых : ");
    Close();
    // Read in US English, the same file shows its English names.
    SetCurrentLanguage(1);
    Open();
    EXPECT_EQ(C(kIdPersonality).GetItemText(1), "Tidy");
}

} // namespace
