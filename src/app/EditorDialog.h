// The editor's only window: opens the behaviour and object files, shows the tree table of the
// object's first master and routes every control notification to the editing operations.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/BoundedString.h"
#include "platform/DialogUi.h"
#include "platform/DibSection.h"
#include "platform/PlatformFiles.h"
#include "resource/ResourceFile.h"

class CObjectSet;
class CTreeTable;
class CTreeTableEntry;
class CSplitResourceFile;
class CResourceFile;

// The shared behaviour file (names of motives, personalities, attenuation levels) while a dialog
// runs; nullptr otherwise.
CSplitResourceFile* BehaviorFile();

class CEditorDialog final : public ui::IDialogHandler {
public:
    static constexpr int kMotiveSlots = 16;
    static constexpr int kShownMotives = 9;
    static constexpr std::array<int32_t, kShownMotives> kShownMotiveNumbers{5,  6,  7,  8, 9,
                                                                            13, 14, 15, 3};

    CEditorDialog();
    ~CEditorDialog() override;
    CEditorDialog(const CEditorDialog&) = delete;
    CEditorDialog& operator=(const CEditorDialog&) = delete;

    void SetObjectFilePath(const std::string& path) { m_objectFilePath = path; }
    const std::string& ObjectFilePath() const { return m_objectFilePath; }

    // ui::IDialogHandler
    bool OnInitDialog(ui::IDialog& dialog) override;
    bool OnCommand(int id, ui::Notify code) override;
    void OnPaint(ui::IPaintContext& paint) override;

    // State, for tests and the preview.
    bool PendingChange() const { return m_pendingChange; }
    int16_t TreeTableId() const { return m_treeTableId; }
    CTreeTable* TreeTable() { return m_treeTable.get(); }
    CObjectSet* ObjectSet() { return m_objectSet.get(); }
    const CDibSection* PreviewImage() const { return m_previewImage.get(); }
    int16_t SelectedMotiveRow() const { return m_selectedMotiveRow; }
    int16_t MotiveRowCount() const { return m_motiveRowCount; }
    std::string MotiveRowLabel(int row) const;
    // The object file's chunk chain breaks: it was opened to look at and is never written.
    bool FileDamaged() const { return m_damage.has_value(); }

private:
    struct MotiveRow {
        CFixedString<64> label;
        int32_t motive = 0;
    };

    ui::IControl& Ctl(int id);

    // Initialisation and opening.
    void OpenBehaviorFile();
    void CloseBehaviorFile();
    static std::string ReadInstallPath(const char* valueName);
    void FillStringList(ui::IControl& list, int16_t resourceId);
    void OpenObjectFile();
    void ReloadTreeTable();

    // Preview pane.
    void LoadPreviewPalette();
    void BuildPreview();
    void PaintPreview(ui::IPaintContext& paint);

    // Showing and editing.
    CTreeTableEntry* SelectedEntry();
    void FillMenuItems();
    void ShowEntry(int16_t index);
    void ShowAttenuation(CTreeTableEntry& entry);
    void BuildMotiveLabel(int32_t motive, int row);
    void ShowMotiveRow(int16_t row);
    void SaveTreeTable();
    void NoteDamage(const CResourceFile& file);
    void WarnIfTruncated();
    std::string BehaviorString(int16_t tableId, int32_t index, int32_t capacity = 64);

    // Change handlers.
    void OnMenuNameChange();
    void OnMenuNameKillFocus();
    void OnAttenuationSelChange();
    void OnAttenuationValueChange();
    void OnAutonomyChange();
    void OnFlagsChange();
    bool GuardedRecord(CTreeTableEntry*& entry, int32_t& motive);
    void AfterMotiveChange(int32_t motive);
    void OnMinChange();
    void OnMaxChange();
    void OnPersonalityChange();
    void OnLanguageChange();
    void OnApply();
    void OnOk();

    ui::IDialog* m_dialog = nullptr;
    std::unique_ptr<CObjectSet> m_objectSet;
    std::unique_ptr<CTreeTable> m_treeTable;
    std::unique_ptr<CSplitResourceFile> m_behaviorFile; // g_behaviorFile views it
    std::array<MotiveRow, kMotiveSlots> m_motiveRows{};
    DibPtr m_previewImage;
    DibDescription m_previewDescription{};
    bool m_pendingChange = false;
    int16_t m_treeTableId = -1;
    int16_t m_selectedMotiveRow = -1;
    int16_t m_motiveRowCount = 0;
    std::string m_objectFilePath;
    // Where the object file is damaged, once known (at opening, or when a change was refused).
    std::optional<ChainBreak> m_damage;
    // Why the object file could only be opened read-only (in use, permission), if the platform
    // said so; a save refused as not writable names it.
    PlatformFailure m_readOnlyCause = PlatformFailure::None;
    bool m_truncationWarned = false;
};
