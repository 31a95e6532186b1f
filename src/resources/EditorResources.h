// The program's resources as data: the editor dialog's template, the language list, the icon and
// the string table.
#pragma once

#include <span>

#include "platform/DialogUi.h"
#include "resources/ProgramStrings.h"

namespace res {

inline constexpr int kDialogEditor = 102;
inline constexpr int kIconProgram = TAVIMET_ICON_PROGRAM;
inline constexpr int kStringSocketsFailed = TAVIMET_STRING_SOCKETS_FAILED;

// Control ids of the editor dialog.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdMenuItems = 1000;
inline constexpr int kIdMenuName = 1001;
inline constexpr int kIdMotives = 1010;
inline constexpr int kIdMin = 1011;
inline constexpr int kIdMax = 1012;
inline constexpr int kIdApply = 1014;
inline constexpr int kIdAttenuationList = 1015;
inline constexpr int kIdAttenuationValue = 1016;
inline constexpr int kIdAutonomy = 1017;
inline constexpr int kIdFlags = 1018;
inline constexpr int kIdPreviewFrame = 1019;
inline constexpr int kIdLanguage = 1020;
inline constexpr int kIdPersonality = 1021;
inline constexpr int kIdPreviewGroup = 1022;
inline constexpr int kIdInteractionGroup = 1023;

const ui::DialogTemplate& EditorDialogTemplate();
// The twenty language names, list index i = language number i + 1.
std::span<const char* const> LanguageNames();
const ui::IconData& ProgramIcon();
// A string of the string table; nullptr for an id it does not hold.
const char* LoadProgramString(int id);

} // namespace res
