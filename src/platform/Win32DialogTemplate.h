// A dialog template as the bytes the system's dialog manager reads (the extended in-memory
// format), made from the template data the other user-interface layers use. Plain byte packing:
// it builds and is tested on every platform.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/DialogUi.h"

namespace ui::win32 {

// The predefined window classes a template names by atom.
inline constexpr std::uint16_t kClassButton = 0x0080;
inline constexpr std::uint16_t kClassEdit = 0x0081;
inline constexpr std::uint16_t kClassStatic = 0x0082;
inline constexpr std::uint16_t kClassListBox = 0x0083;
inline constexpr std::uint16_t kClassComboBox = 0x0085;

std::uint16_t ClassAtomOf(ControlKind kind);

// UTF-8 to UTF-16; a byte that does not start a valid sequence becomes U+FFFD.
std::u16string Utf16FromUtf8(const std::string& text);

// The whole template, starting on a 4-byte boundary when the vector's storage does.
std::vector<std::uint8_t> BuildDialogTemplate(const DialogTemplate& tmpl);

} // namespace ui::win32
