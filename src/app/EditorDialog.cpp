#include "app/EditorDialog.h"

#include "common/Utf8.h"
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/PreviewLayout.h"
#include "common/Utf8.h"
#include "model/EntryEdits.h"
#include "model/LanguageText.h"
#include "model/ObjectDefinitions.h"
#include "model/StatusText.h"
#include "model/StringTable.h"
#include "model/TreeTable.h"
#include "platform/Registry.h"
#include "preview/ColorPalette.h"
#include "preview/ObjectPreview.h"
#include "resource/ResourceKinds.h"
#include "resources/EditorResources.h"

namespace {

// A view of the running dialog's behaviour file, which the dialog owns.
CSplitResourceFile* g_behaviorFile = nullptr;

constexpr const char* kRegistryKey = "HKEY_LOCAL_MACHINE\\Software\\Orvan\\Dwelmoor";
constexpr const char* kOpenFilter = "IFF Files (*.iff)|*.iff||";
constexpr int16_t kStrMotiveNames = 134;
constexpr int16_t kStrNoEffect = 135;
constexpr int16_t kStrPersonalities = 232;
constexpr int16_t kStrAttenuations = 233;
constexpr int kPreviewView = 9;
constexpr const char* kSaveFailed = "Could not save tree table";

// Inserted each at the top, so the list reads in the opposite order.
constexpr std::array<const char*, 5> kFlagTexts{" Available to Visitors", " Available to Children",
                                                " Available to Adults", " Allow Consecutive",
                                                " Auto First Select"};

// A control's text as the original read it into a buffer of 256 bytes.
std::string Text255(ui::IControl& c) {
    std::string t = c.GetText();
    if (t.size() > 255) t.resize(255);
    return t;
}

MotiveRecord* Record(CTreeTableEntry& entry, int32_t m) {
    return entry_edits::Motive(entry, m);
}

// A name as the Menu Name edit and the Menu Items list show it: decoded through the code page of
// the language it was read in, every byte invalid there kept as its raw-byte character, so that
// the text stands for exactly the stored bytes.
std::string ShownName(const CTGString& name) {
    return language_text::DecodeForEditing(std::string_view(name.Text(), name.Length()),
                                           GetCurrentLanguage());
}

// Text read from the behaviour file in the current language, for showing only. cut: the bytes
// filled a fixed buffer, so a character split at its end is not shown.
std::string ShownBehaviorText(const char* bytes, bool cut) {
    std::string text = language_text::Decode(bytes, GetCurrentLanguage());
    std::string replacement;
    AppendUtf8(replacement, language_text::kReplacement);
    if (cut && text.size() >= replacement.size() &&
        text.compare(text.size() - replacement.size(), replacement.size(), replacement) == 0)
        text.resize(text.size() - replacement.size());
    return text;
}

// The first count characters of UTF-8 text.
std::string FirstCharacters(const std::string& utf8, std::size_t count) {
    std::size_t at = 0;
    for (std::size_t n = 0; at < utf8.size() && n < count; ++n) {
        ++at;
        while (at < utf8.size() && (static_cast<unsigned char>(utf8[at]) & 0xC0) == 0x80)
            ++at;
    }
    return utf8.substr(0, at);
}

} // namespace

CSplitResourceFile* BehaviorFile() {
    return g_behaviorFile;
}

CEditorDialog::CEditorDialog() {
    InstallStringTableReader();
}

CEditorDialog::~CEditorDialog() {
    // The object set closes the object file; then the table, the rows, the behaviour file.
    m_objectSet.reset();
    m_treeTable.reset();
    CloseBehaviorFile();
    m_previewImage.reset();
}

ui::IControl& CEditorDialog::Ctl(int id) {
    ui::IControl* c = m_dialog->Control(id);
    if (!c) std::abort(); // the template always holds every control the dialog uses
    return *c;
}

std::string CEditorDialog::MotiveRowLabel(int row) const {
    if (row < 0 || row >= kMotiveSlots) return {};
    return m_motiveRows[static_cast<std::size_t>(row)].label.Text();
}

// ------------------------------------------------------------------ initialisation

bool CEditorDialog::OnInitDialog(ui::IDialog& dialog) {
    m_dialog = &dialog;
    m_dialog->SetIcon(res::ProgramIcon());
    LoadPreviewPalette();
    m_dialog->RemoveSystemMenu();
    OpenBehaviorFile();
    FillStringList(Ctl(res::kIdPersonality), kStrPersonalities);
    FillStringList(Ctl(res::kIdAttenuationList), kStrAttenuations);
    ui::IControl& flags = Ctl(res::kIdFlags);
    for (const char* text : kFlagTexts)
        flags.InsertString(0, text);
    OpenObjectFile();
    ShowEntry(0);
    Ctl(res::kIdMenuItems).SetFocus();
    return false;
}

std::string CEditorDialog::ReadInstallPath(const char* valueName) {
    auto v = platform::ReadRegistryValue(kRegistryKey, valueName);
    if (!v) return {};
    // The value is read into a 260-byte buffer.
    std::string s = *v;
    if (s.size() > 259) s.resize(259);
    return s;
}

void CEditorDialog::OpenBehaviorFile() {
    std::string install = ReadInstallPath("InstallPath");
    CFixedString<260> path;
    path.Append(install.c_str());
    path.Append("\\gamedata\\");
    path.Append("behavior");
    CloseBehaviorFile();
    m_behaviorFile = std::make_unique<CSplitResourceFile>();
    g_behaviorFile = m_behaviorFile.get();
    // A missing file only leaves the names empty.
    (void)m_behaviorFile->Open(path.Text()); // the outcome is not looked at
}

void CEditorDialog::CloseBehaviorFile() {
    if (!m_behaviorFile) return;
    if (g_behaviorFile == m_behaviorFile.get()) g_behaviorFile = nullptr;
    // Only ever read: closing it writes nothing.
    if (m_behaviorFile->IsOpen()) (void)m_behaviorFile->Close();
    m_behaviorFile.reset();
}

void CEditorDialog::FillStringList(ui::IControl& list, int16_t resourceId) {
    CStringTable table;
    table.LoadList(m_behaviorFile.get(), resourceId, false);
    for (int32_t n = 1; n <= table.Count(); ++n) {
        const char* t = table.GetText(n);
        list.AddString(ShownBehaviorText(t ? t : "", false));
    }
    list.SetCurSel(0);
}

void CEditorDialog::OpenObjectFile() {
    if (m_objectFilePath.empty()) {
        auto chosen = m_dialog->AskOpenFile(kOpenFilter);
        if (!chosen) {
            m_dialog->EndDialog(ui::kIdCancel);
            return;
        }
        m_objectFilePath = *chosen;
    }
    CFixedString<260> path(m_objectFilePath.c_str());
    auto file = std::make_unique<CObjectResourceFile>();
    m_damage.reset();
    m_readOnlyCause = PlatformFailure::None;
    m_truncationWarned = false;
    ClearPlatformFailure();
    int32_t opened = file->Open(path.Text());
    if (opened == kResErrDamaged) {
        // A file whose chunk chain breaks is only looked at: nothing of it is ever written.
        NoteDamage(*file);
        file = std::make_unique<CObjectResourceFile>();
        opened = file->OpenReadOnly(path.Text());
    } else if (opened == 0 && !file->IsWritable()) {
        const PlatformFailure why = LastPlatformFailure();
        if (why == PlatformFailure::InUse || why == PlatformFailure::Denied) m_readOnlyCause = why;
    }
    if (opened != 0) {
        // Nothing to load, fill or paint: say so and end as the other opening failures do.
        m_dialog->MessageBox("Invalid Object File", ui::MessageIcon::None);
        m_dialog->EndDialog(ui::kIdCancel);
        return;
    }
    m_objectSet = std::make_unique<CObjectSet>();
    m_objectSet->SetResourceFile(std::move(file));
    m_objectSet->LoadDefinitions();
    if (m_objectSet->Masters().empty()) {
        m_dialog->MessageBox("Invalid Object File", ui::MessageIcon::None);
        m_dialog->EndDialog(ui::kIdCancel);
        return;
    }
    m_treeTable = std::make_unique<CTreeTable>(kMotiveSlots);
    int16_t id = m_objectSet->Masters().front()->TreeTableId();
    m_treeTableId = id < 0 ? int16_t(-1) : id;
    m_motiveRowCount = 0;
    for (auto& row : m_motiveRows)
        row.label.Clear();
    m_pendingChange = false;
    ReloadTreeTable();
    // A file indexed from its map shows its damage only when the upgrade of an old table tries
    // to write.
    if (m_treeTable->UpgradeStatus() == kResErrDamaged && m_objectSet->ResourceFile())
        NoteDamage(*m_objectSet->ResourceFile());
    BuildPreview();
    FillMenuItems();
    ShowEntry(static_cast<int16_t>(Ctl(res::kIdMenuItems).GetCurSel()));
    WarnIfTruncated();
}

void CEditorDialog::WarnIfTruncated() {
    if (m_truncationWarned || !m_treeTable || !m_treeTable->WasTruncated()) return;
    m_truncationWarned = true;
    const std::string read = std::to_string(m_treeTable->Count());
    m_dialog->MessageBox("The tree table ends early: it holds " +
                             std::to_string(m_treeTable->StoredCount()) + " entries, but only " +
                             read + " could be read.\nSaving keeps only the " + read +
                             " entries that could be read.",
                         ui::MessageIcon::None);
}

void CEditorDialog::ReloadTreeTable() {
    if (m_treeTableId == -1 || !m_treeTable) return;
    CResourceFile* file = m_objectSet ? m_objectSet->ResourceFile() : nullptr;
    if (m_treeTable->Load(file, m_treeTableId) != 0) {
        m_dialog->MessageBox("No Menu Tree Available.", ui::MessageIcon::None);
        m_dialog->EndDialog(ui::kIdCancel);
    }
}

// ------------------------------------------------------------------ preview pane

void CEditorDialog::LoadPreviewPalette() {
    std::array<PaletteEntry, 256> entries{};
    for (int i = 0; i < 256; ++i) {
        auto v = static_cast<uint8_t>(i);
        entries[static_cast<std::size_t>(i)] = PaletteEntry{v, v, v, 0};
    }
    PreviewPalette().LoadFromEntries(entries.data(), true);
}

void CEditorDialog::BuildPreview() {
    m_previewImage.reset();
    m_previewDescription = DibDescription{};
    if (m_objectSet && !m_objectSet->Masters().empty()) {
        ui::Colour face = m_dialog->ButtonFaceColour();
        // A sprite the decoder cannot read leaves the pane without a picture.
        m_previewImage =
            RenderObjectPreviewNoThrow(*m_objectSet->Masters().front(), kPreviewView,
                                       MakeColorRef(face.red, face.green, face.blue), 0);
        if (m_previewImage && !DescribeDib(m_previewImage.get(), m_previewDescription))
            m_previewImage.reset();
    }
    ui::IControl& frame = Ctl(res::kIdPreviewFrame);
    std::optional<PictureSize> picture;
    if (m_previewImage)
        picture = PictureSize{m_previewDescription.width, m_previewDescription.height};
    PreviewLayout place = PlacePreview(frame.GetRect(), m_dialog->GetWindowRect(), picture);
    frame.Show(place.frameVisible);
    frame.SetRect(place.frame);
    frame.Refresh();
    if (!place.grew) return;
    m_dialog->SetWindowRect(place.window);
    for (int id : {res::kIdPreviewGroup, res::kIdInteractionGroup}) {
        ui::IControl& group = Ctl(id);
        ui::Rect g = group.GetRect();
        g.bottom = place.groupBottom;
        group.SetRect(g);
        group.Refresh();
    }
}

void CEditorDialog::OnPaint(ui::IPaintContext& paint) {
    PaintPreview(paint);
}

void CEditorDialog::PaintPreview(ui::IPaintContext& paint) {
    if (!m_dialog) return;
    if (m_dialog->IsMinimized()) {
        ui::Rect c = m_dialog->GetClientRect();
        const ui::IconData& icon = res::ProgramIcon();
        paint.DrawIcon((c.Width() - icon.width + 1) / 2, (c.Height() - icon.height + 1) / 2);
        return;
    }
    if (!m_previewImage || m_previewImage->BitsPerPixel() != 24) return;
    ui::Rect f = Ctl(res::kIdPreviewFrame).GetRect();
    paint.DrawBgr24(f.left + 4, f.top + 4, m_previewDescription.width, m_previewDescription.height,
                    m_previewImage->Bits(), m_previewImage->Stride());
}

// ------------------------------------------------------------------ showing

CTreeTableEntry* CEditorDialog::SelectedEntry() {
    int sel = Ctl(res::kIdMenuItems).GetCurSel();
    if (sel < 0 || !m_treeTable || sel >= m_treeTable->Count()) return nullptr;
    return m_treeTable->Entry(sel);
}

void CEditorDialog::FillMenuItems() {
    ui::IControl& list = Ctl(res::kIdMenuItems);
    int sel = list.GetCurSel();
    list.ResetContent();
    int count = m_treeTable ? m_treeTable->Count() : 0;
    for (int i = 0; i < count; ++i)
        list.AddString(FirstCharacters(ShownName(m_treeTable->Entry(i)->name), 255));
    if (sel == -1) sel = 0;
    if (sel >= count) sel = count - 1;
    list.SetCurSel(sel);
    ShowEntry(static_cast<int16_t>(sel));
    Ctl(res::kIdLanguage).SetCurSel(GetCurrentLanguage() - 1);
}

void CEditorDialog::ShowEntry(int16_t index) {
    ui::IControl& motives = Ctl(res::kIdMotives);
    int remembered = motives.GetCurSel();
    motives.ResetContent();
    int count = m_treeTable ? m_treeTable->Count() : 0;
    if (index >= count) index = static_cast<int16_t>(count - 1);
    if (index < 0) {
        m_motiveRowCount = 0;
        motives.SetCurSel(-1);
        ShowMotiveRow(-1);
        return;
    }
    CTreeTableEntry* entry = m_treeTable->Entry(index);
    Ctl(res::kIdMenuName).SetText(ShownName(entry->name));
    // Setting the name may have stored it back; the entry itself stays the same object.
    ShowAttenuation(*entry);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d",
                  static_cast<int>(static_cast<int16_t>(entry->autonomyThreshold)));
    Ctl(res::kIdAutonomy).SetText(buf);
    ui::IControl& flags = Ctl(res::kIdFlags);
    bool marks[entry_edits::kFlagRows] = {};
    entry_edits::GetFlagMarks(*entry, marks);
    for (int row = 0; row < entry_edits::kFlagRows; ++row)
        flags.SetCheck(row, marks[row]);
    m_motiveRowCount = 0;
    for (int32_t m : kShownMotiveNumbers) {
        m_motiveRows[static_cast<std::size_t>(m_motiveRowCount)].motive = m;
        BuildMotiveLabel(m, m_motiveRowCount);
        ++m_motiveRowCount;
    }
    for (int row = 0; row < m_motiveRowCount; ++row) {
        const CBoundedString& label = m_motiveRows[static_cast<std::size_t>(row)].label;
        motives.AddString(ShownBehaviorText(label.Text(), label.Length() + 1 >= label.Capacity()));
    }
    if (remembered == -1) remembered = 0;
    if (remembered >= m_motiveRowCount) remembered = m_motiveRowCount - 1;
    motives.SetCurSel(remembered);
    ShowMotiveRow(static_cast<int16_t>(remembered));
    ShowMotiveRow(static_cast<int16_t>(motives.GetCurSel()));
}

void CEditorDialog::ShowAttenuation(CTreeTableEntry& entry) {
    uint32_t level = entry.attenuationLevel;
    Ctl(res::kIdAttenuationList).SetCurSel(level > INT_MAX ? -1 : static_cast<int>(level));
    ui::IControl& value = Ctl(res::kIdAttenuationValue);
    value.Enable(level == 0);
    value.SetText(entry_edits::FormatAttenuation(CTreeTable::EffectiveAttenuation(entry)));
}

std::string CEditorDialog::BehaviorString(int16_t tableId, int32_t index, int32_t capacity) {
    if (!m_behaviorFile) return {};
    std::vector<char> buf(static_cast<std::size_t>(capacity));
    CBoundedString out(buf.data(), capacity);
    m_behaviorFile->GetString(out, tableId, index);
    return out.Text();
}

void CEditorDialog::BuildMotiveLabel(int32_t motive, int row) {
    if (row < 0 || row >= kMotiveSlots) return;
    CBoundedString& label = m_motiveRows[static_cast<std::size_t>(row)].label;
    CTreeTableEntry* entry = SelectedEntry();
    label.Assign(BehaviorString(kStrMotiveNames, motive + 1).c_str());
    if (label.Length() == 0) {
        label.Append("_#");
        label.AppendInt(motive);
    }
    label.Append(" : ");
    const MotiveRecord* record = entry ? Record(*entry, motive) : nullptr;
    if (!record || motive >= entry->motiveCount) {
        label.Append("?");
        return;
    }
    const MotiveRecord& rec = *record;
    int32_t max = int32_t(rec.min) + int32_t(rec.delta);
    if (max == 0) {
        label.Append(BehaviorString(kStrNoEffect, 1).c_str());
        return;
    }
    label.AppendInt(rec.min);
    label.Append(" .. ");
    label.AppendInt(max);
    if (rec.personality != 0) {
        label.Append(", ");
        label.Append(BehaviorString(kStrPersonalities, rec.personality + 1, 256).c_str());
    }
}

void CEditorDialog::ShowMotiveRow(int16_t row) {
    m_selectedMotiveRow = row;
    ui::IControl& minEdit = Ctl(res::kIdMin);
    ui::IControl& maxEdit = Ctl(res::kIdMax);
    ui::IControl& personality = Ctl(res::kIdPersonality);
    if (row < 0 || row >= m_motiveRowCount) {
        m_selectedMotiveRow = -1;
        minEdit.Enable(false);
        maxEdit.Enable(false);
        personality.Enable(false);
        minEdit.SetText("");
        maxEdit.SetText("");
        personality.SetCurSel(-1);
        return;
    }
    minEdit.Enable(true);
    maxEdit.Enable(true);
    personality.Enable(true);
    CTreeTableEntry* entry = SelectedEntry();
    const MotiveRecord* record =
        entry ? Record(*entry, m_motiveRows[static_cast<std::size_t>(row)].motive) : nullptr;
    if (!record) return;
    const MotiveRecord& rec = *record;
    int16_t min = rec.min;
    int32_t max = int32_t(rec.min) + int32_t(rec.delta);
    int16_t p = rec.personality;
    // Text already in canonical form is left alone, so typing is not disturbed.
    std::string minText = std::to_string(min);
    if (Text255(minEdit) != minText) {
        minEdit.SetText(minText);
        minEdit.SetCaretToEnd();
    }
    std::string maxText = std::to_string(max);
    if (Text255(maxEdit) != maxText) {
        maxEdit.SetText(maxText);
        maxEdit.SetCaretToEnd();
    }
    personality.SetCurSel(p);
}

// ------------------------------------------------------------------ saving

void CEditorDialog::NoteDamage(const CResourceFile& file) {
    m_damage = file.BrokenChain();
}

void CEditorDialog::SaveTreeTable() {
    if (m_treeTableId == -1 || !m_treeTable) return;
    CResourceFile* file = m_objectSet ? m_objectSet->ResourceFile() : nullptr;
    std::string cause;
    if (!m_damage) {
        std::string label = entry_edits::MakeTreeTableLabel(file, m_treeTableId);
        ClearPlatformFailure();
        const int32_t status = m_treeTable->Save(label.c_str());
        if (status == 0) {
            m_pendingChange = false;
            return;
        }
        if (status == kResErrDamaged && file) {
            NoteDamage(*file);
        } else {
            // The refused open said why the file is read-only; the refused save cannot.
            if ((status == kResErrNotWritable || status == kResErrNoWritableMember) &&
                LastPlatformFailure() == PlatformFailure::None &&
                m_readOnlyCause != PlatformFailure::None)
                NotePlatformFailure(m_readOnlyCause);
            const CTreeTable::SaveProgress& saved = m_treeTable->LastSave();
            cause = StatusText(status) + (saved.table
                                              ? "; the interactions were saved, but not their names"
                                              : "; nothing was saved");
        }
    }
    if (m_damage) cause = DamagedFileText(*m_damage);
    m_dialog->MessageBox(std::string(kSaveFailed) + "\n" + cause, ui::MessageIcon::None);
}

// ------------------------------------------------------------------ routing and handlers

bool CEditorDialog::OnCommand(int id, ui::Notify code) {
    using ui::Notify;
    switch (id) {
    case res::kIdMenuItems:
        if (code == Notify::SelChange)
            ShowEntry(static_cast<int16_t>(Ctl(res::kIdMenuItems).GetCurSel()));
        return true;
    case res::kIdMotives:
        if (code == Notify::SelChange)
            ShowMotiveRow(static_cast<int16_t>(Ctl(res::kIdMotives).GetCurSel()));
        return true;
    case res::kIdMin:
        if (code == Notify::Change) OnMinChange();
        return true;
    case res::kIdMax:
        if (code == Notify::Change) OnMaxChange();
        return true;
    case res::kIdOk:
        if (code != Notify::Clicked) return false;
        OnOk();
        return true;
    case res::kIdApply:
        if (code == Notify::Clicked) OnApply();
        return true;
    case res::kIdMenuName:
        if (code == Notify::Change) OnMenuNameChange();
        if (code == Notify::KillFocus) OnMenuNameKillFocus();
        return true;
    case res::kIdAttenuationList:
        if (code == Notify::SelChange) OnAttenuationSelChange();
        return true;
    case res::kIdAttenuationValue:
        if (code == Notify::Change) OnAttenuationValueChange();
        return true;
    case res::kIdAutonomy:
        if (code == Notify::Change) OnAutonomyChange();
        return true;
    case res::kIdFlags:
        // A toggled box is stored at once as well, so Apply and OK never lose it.
        if (code == Notify::SelChange || code == Notify::CheckToggled) OnFlagsChange();
        return true;
    case res::kIdPersonality:
        if (code == Notify::SelChange) OnPersonalityChange();
        return true;
    case res::kIdLanguage:
        if (code == Notify::SelChange) OnLanguageChange();
        return true;
    default:
        return false;
    }
}

void CEditorDialog::OnMenuNameChange() {
    CTreeTableEntry* entry = SelectedEntry();
    if (!entry) return;
    ui::IControl& edit = Ctl(res::kIdMenuName);
    const std::string text = edit.GetText();
    m_pendingChange = true;
    // The text the display made of the stored name stands for its bytes as they are, even when
    // they are not valid in the code page or longer than a typed name may be.
    const std::string shown = ShownName(entry->name);
    if (text == shown) return;
    const language_text::Encoded bytes = language_text::Encode(
        text, GetCurrentLanguage(), true, static_cast<std::size_t>(entry_edits::kMaxNameChars));
    if (!bytes.ok) {
        // A character the language's code page cannot hold is refused, never replaced: the name
        // stays as it was, the edit shows it again, and the keystroke beeps.
        edit.SetText(shown);
        edit.SetCaretToEnd();
        m_dialog->Beep();
        return;
    }
    entry_edits::StoreName(*entry, bytes.bytes.c_str());
}

void CEditorDialog::OnMenuNameKillFocus() {
    if (m_pendingChange) OnApply();
}

void CEditorDialog::OnAttenuationSelChange() {
    CTreeTableEntry* entry = SelectedEntry();
    if (!entry) return;
    int sel = Ctl(res::kIdAttenuationList).GetCurSel();
    entry_edits::StoreAttenuationLevel(*entry, static_cast<uint32_t>(sel));
    ShowAttenuation(*entry);
}

void CEditorDialog::OnAttenuationValueChange() {
    std::string text = Text255(Ctl(res::kIdAttenuationValue));
    CTreeTableEntry* entry = SelectedEntry();
    if (!entry) return;
    // The text the display itself produced stands for the stored value, even when six decimals
    // cannot hold it: showing an entry must not change it. Only a different text is the user's.
    if (text == entry_edits::FormatAttenuation(CTreeTable::EffectiveAttenuation(*entry))) return;
    if (entry_edits::StoreAttenuationText(*entry, text.c_str())) m_pendingChange = true;
}

void CEditorDialog::OnAutonomyChange() {
    std::string text = Text255(Ctl(res::kIdAutonomy));
    CTreeTableEntry* entry = SelectedEntry();
    if (!entry) return;
    if (entry_edits::StoreAutonomyText(*entry, text.c_str())) m_pendingChange = true;
}

void CEditorDialog::OnFlagsChange() {
    CTreeTableEntry* entry = SelectedEntry();
    if (!entry) return;
    ui::IControl& flags = Ctl(res::kIdFlags);
    bool marks[entry_edits::kFlagRows] = {};
    for (int row = 0; row < entry_edits::kFlagRows; ++row)
        marks[row] = flags.GetCheck(row);
    entry_edits::StoreFlagMarks(*entry, marks);
}

bool CEditorDialog::GuardedRecord(CTreeTableEntry*& entry, int32_t& motive) {
    if (Ctl(res::kIdMenuItems).GetCurSel() < 0 || m_selectedMotiveRow < 0) return false;
    entry = SelectedEntry();
    if (!entry) return false;
    motive = m_motiveRows[static_cast<std::size_t>(m_selectedMotiveRow)].motive;
    return Record(*entry, motive) != nullptr;
}

void CEditorDialog::AfterMotiveChange(int32_t motive) {
    BuildMotiveLabel(motive, m_selectedMotiveRow);
    m_pendingChange = true;
    ShowEntry(static_cast<int16_t>(Ctl(res::kIdMenuItems).GetCurSel()));
}

void CEditorDialog::OnMinChange() {
    CTreeTableEntry* entry = nullptr;
    int32_t motive = 0;
    if (!GuardedRecord(entry, motive)) return;
    MotiveRecord& rec = *Record(*entry, motive);
    int32_t v = entry_edits::LeadingInteger(Text255(Ctl(res::kIdMin)).c_str());
    if (v == rec.min) return;
    entry_edits::StoreMin(rec, v);
    AfterMotiveChange(motive);
}

void CEditorDialog::OnMaxChange() {
    CTreeTableEntry* entry = nullptr;
    int32_t motive = 0;
    if (!GuardedRecord(entry, motive)) return;
    MotiveRecord& rec = *Record(*entry, motive);
    int32_t v = entry_edits::LeadingInteger(Text255(Ctl(res::kIdMax)).c_str());
    if (v == int32_t(rec.min) + int32_t(rec.delta)) return;
    entry_edits::StoreMax(rec, v);
    AfterMotiveChange(motive);
}

void CEditorDialog::OnPersonalityChange() {
    CTreeTableEntry* entry = nullptr;
    int32_t motive = 0;
    if (!GuardedRecord(entry, motive)) return;
    MotiveRecord& rec = *Record(*entry, motive);
    int sel = Ctl(res::kIdPersonality).GetCurSel();
    if (sel == rec.personality) return;
    entry_edits::StorePersonality(rec, sel);
    AfterMotiveChange(motive);
}

void CEditorDialog::OnLanguageChange() {
    int sel = Ctl(res::kIdLanguage).GetCurSel();
    SetCurrentLanguage(sel + 1);
    ReloadTreeTable();
    FillMenuItems();
    Ctl(res::kIdLanguage).SetCurSel(GetCurrentLanguage() - 1);
}

void CEditorDialog::OnApply() {
    SaveTreeTable();
    if (m_treeTableId != -1) FillMenuItems();
}

void CEditorDialog::OnOk() {
    OnApply();
    m_dialog->EndDialog(ui::kIdOk);
}
