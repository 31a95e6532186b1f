#include "resources/EditorResources.h"

#include <array>

namespace res {

namespace {

using ui::ControlKind;
using namespace ui::style;

constexpr std::uint32_t kBase = kChild | kVisible;
constexpr std::uint32_t kButton = kBase | kTabStop;
constexpr std::uint32_t kList =
    kBase | kTabStop | kBorder | kVScroll | kLbsNotify | kLbsNoIntegralHeight;
constexpr std::uint32_t kCheckList = kList | kLbsOwnerDrawFixed | kLbsHasStrings;
constexpr std::uint32_t kCombo = kBase | kTabStop | kVScroll | kCbsDropDownList;
constexpr std::uint32_t kEdit = kBase | kTabStop | kBorder | kEsAutoHScroll;

// Tab order is the order of this table.
constexpr ui::ControlTemplate kControls[] = {
    {kIdOk, ControlKind::DefPushButton, "OK", 367, 7, 50, 14, kButton | kBsDefPushButton},
    {kIdCancel, ControlKind::PushButton, "Cancel", 367, 43, 50, 14, kButton},
    {kIdInteractionGroup, ControlKind::GroupBox, "Interaction Data", 7, 7, 207, 257,
     kBase | kBsGroupBox},
    {ui::kIdStatic, ControlKind::GroupBox, "Menu Items", 221, 7, 140, 121, kBase | kBsGroupBox},
    {kIdMenuItems, ControlKind::ListBox, "", 228, 18, 127, 103, kList},
    {ui::kIdStatic, ControlKind::Label, "Menu Name:", 15, 37, 42, 8, kBase},
    {kIdMenuName, ControlKind::Edit, "", 60, 35, 147, 14, kEdit},
    {kIdMotives, ControlKind::ListBox, "", 14, 169, 110, 88, kList},
    {ui::kIdStatic, ControlKind::Label, "Min:", 130, 157, 14, 8, kBase},
    {kIdMin, ControlKind::Edit, "", 130, 168, 30, 14, kEdit},
    {kIdMax, ControlKind::Edit, "", 177, 168, 30, 14, kEdit},
    {ui::kIdStatic, ControlKind::Label, "Max:", 176, 157, 16, 8, kBase},
    {ui::kIdStatic, ControlKind::Label, "Vary by Personality:", 130, 187, 62, 8, kBase},
    {kIdApply, ControlKind::PushButton, "&Apply", 367, 25, 50, 14, kButton},
    {ui::kIdStatic, ControlKind::Label, "Attenuation Value:", 14, 55, 59, 8, kBase},
    {ui::kIdStatic, ControlKind::Label, "Autonomy Threshold:", 14, 75, 68, 8, kBase},
    {kIdAttenuationList, ControlKind::DropDownList, "", 77, 54, 84, 65, kCombo},
    {kIdAttenuationValue, ControlKind::Edit, "", 167, 53, 40, 14, kEdit},
    {kIdAutonomy, ControlKind::Edit, "", 87, 72, 40, 14, kEdit},
    {kIdFlags, ControlKind::CheckList, "", 14, 100, 193, 52, kCheckList},
    {ui::kIdStatic, ControlKind::Label, "Flags:", 14, 89, 20, 8, kBase},
    {ui::kIdStatic, ControlKind::Label, "Motives:", 14, 157, 28, 8, kBase},
    {kIdPreviewGroup, ControlKind::GroupBox, "Preview:", 221, 131, 196, 133, kBase | kBsGroupBox},
    {kIdPreviewFrame, ControlKind::StaticFrame, "", 227, 145, 180, 112,
     kBase | kSsSimple | kSsNotify},
    {ui::kIdStatic, ControlKind::Label, "Language:", 14, 20, 35, 8, kBase},
    {kIdLanguage, ControlKind::DropDownList, "", 60, 18, 147, 87, kCombo},
    {kIdPersonality, ControlKind::ListBox, "", 130, 198, 77, 59, kList},
};

constexpr std::array<const char*, 20> kLanguages{"US English",
                                                 "UK English",
                                                 "French",
                                                 "German",
                                                 "Italian",
                                                 "Spanish",
                                                 "Dutch",
                                                 "Danish",
                                                 "Swedish",
                                                 "Norwegian",
                                                 "Finnish",
                                                 "Hebrew",
                                                 "Russian",
                                                 "Portuguese",
                                                 "Japanese",
                                                 "Polish",
                                                 "Simplified Chinese",
                                                 "Traditional Chinese",
                                                 "Thai",
                                                 "Korean"};

constexpr std::array<ui::ControlInitData, 1> kInit{{{kIdLanguage, kLanguages}}};

// Pop-up, visible, caption, system menu, modal frame, font in the template; on the task bar.
constexpr std::uint32_t kDialogStyle =
    0x80000000 | kVisible | 0x00C00000 | 0x00080000 | 0x80 | 0x40;
constexpr std::uint32_t kDialogExStyle = 0x00040000;

const ui::DialogTemplate kTemplate{kDialogEditor, "Tavimet",    "MS Sans Serif", 8,         424,
                                   271,           kDialogStyle, kDialogExStyle,  kControls, kInit};

// Our own icon: a tile with three menu lines.
constexpr std::array<const char*, 38> kIconXpm{
    "32 32 5 1",
    ". c None",
    "k c #10204A",
    "b c #2F5FA8",
    "w c #F4F4F4",
    "y c #F2B705",
    "................................",
    "................................",
    "....kkkkkkkkkkkkkkkkkkkkkkkk....",
    "...kbbbbbbbbbbbbbbbbbbbbbbbbk...",
    "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
    "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
    "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
    "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
    "..kbbbbyyybbwwwwwwwwwwwwwbbbbk..",
    "..kbbbbyyybbwwwwwwwwwwwwwbbbbk..",
    "..kbbbbyyybbwwwwwwwwwwwwwbbbbk..",
    "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
    "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
    "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
    "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
    "..kbbbbyyybbwwwwwwwwwwbbbbbbbk..",
    "..kbbbbyyybbwwwwwwwwwwbbbbbbbk..",
    "..kbbbbyyybbwwwwwwwwwwbbbbbbbk..",
    "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
    "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
    "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
    "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
    "..kbbbbyyybbwwwwwwwbbbbbbbbbbk..",
    "..kbbbbyyybbwwwwwwwbbbbbbbbbbk..",
    "..kbbbbyyybbwwwwwwwbbbbbbbbbbk..",
    "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
    "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
    "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
    "...kbbbbbbbbbbbbbbbbbbbbbbbbk...",
    "....kkkkkkkkkkkkkkkkkkkkkkkk....",
    "................................",
    "................................",
};

const ui::IconData kIcon{32, 32, kIconXpm, kIconProgram};

} // namespace

const ui::DialogTemplate& EditorDialogTemplate() {
    return kTemplate;
}

std::span<const char* const> LanguageNames() {
    return kLanguages;
}

const ui::IconData& ProgramIcon() {
    return kIcon;
}

const char* LoadProgramString(int id) {
    switch (id) {
    case kStringSocketsFailed:
        return TAVIMET_TEXT_SOCKETS_FAILED;
    default:
        return nullptr;
    }
}

} // namespace res
