#include "platform/Win32DialogTemplate.h"

namespace ui::win32 {

namespace {

class CWriter {
public:
    void Word(std::uint16_t v) {
        m_out.push_back(static_cast<std::uint8_t>(v & 0xFF));
        m_out.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void Dword(std::uint32_t v) {
        Word(static_cast<std::uint16_t>(v & 0xFFFF));
        Word(static_cast<std::uint16_t>(v >> 16));
    }
    void Short(int v) { Word(static_cast<std::uint16_t>(static_cast<std::int16_t>(v))); }
    void Text(const char* s) {
        for (char16_t c : Utf16FromUtf8(s ? s : ""))
            Word(static_cast<std::uint16_t>(c));
        Word(0);
    }
    void AlignDword() {
        while (m_out.size() % 4 != 0)
            m_out.push_back(0);
    }
    std::vector<std::uint8_t> Take() { return std::move(m_out); }

private:
    std::vector<std::uint8_t> m_out;
};

constexpr std::uint32_t kDsSetFont = 0x40;

} // namespace

std::uint16_t ClassAtomOf(ControlKind kind) {
    switch (kind) {
    case ControlKind::DefPushButton:
    case ControlKind::PushButton:
    case ControlKind::GroupBox:
        return kClassButton;
    case ControlKind::Edit:
        return kClassEdit;
    case ControlKind::ListBox:
    case ControlKind::CheckList:
        return kClassListBox;
    case ControlKind::DropDownList:
        return kClassComboBox;
    case ControlKind::Label:
    case ControlKind::StaticFrame:
        return kClassStatic;
    }
    return kClassStatic;
}

std::u16string Utf16FromUtf8(const std::string& text) {
    std::u16string out;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        const auto b = static_cast<unsigned char>(text[i]);
        const int extra = b < 0x80             ? 0
                          : (b & 0xE0) == 0xC0 ? 1
                          : (b & 0xF0) == 0xE0 ? 2
                          : (b & 0xF8) == 0xF0 ? 3
                                               : -1;
        bool ok = extra >= 0 && n - i > static_cast<std::size_t>(extra);
        char32_t c = extra <= 0 ? b : b & (0x7F >> (extra + 1));
        for (int k = 1; ok && k <= extra; ++k) {
            const auto t = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((t & 0xC0) != 0x80) ok = false;
            c = (c << 6) | (t & 0x3F);
        }
        // Overlong forms, surrogates and values past the last code point are not characters.
        static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (ok && (c < kMin[extra > 0 ? extra : 0] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF))
            ok = false;
        if (!ok) {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        i += static_cast<std::size_t>(extra) + 1;
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

std::vector<std::uint8_t> BuildDialogTemplate(const DialogTemplate& tmpl) {
    CWriter w;
    // Header: version 1 and the 0xFFFF signature mark the extended form.
    w.Word(1);
    w.Word(0xFFFF);
    w.Dword(0); // help id
    w.Dword(tmpl.exStyle);
    const bool font = tmpl.fontName && *tmpl.fontName;
    w.Dword(font ? tmpl.style | kDsSetFont : tmpl.style & ~kDsSetFont);
    w.Word(static_cast<std::uint16_t>(tmpl.controls.size()));
    w.Short(0); // placed by the program
    w.Short(0);
    w.Short(tmpl.cx);
    w.Short(tmpl.cy);
    w.Word(0); // no menu
    w.Word(0); // the system's dialog class
    w.Text(tmpl.caption);
    if (font) {
        w.Word(static_cast<std::uint16_t>(tmpl.pointSize));
        w.Word(400); // weight
        w.Word(0);   // not italic, default character set
        w.Text(tmpl.fontName);
    }
    for (const ControlTemplate& c : tmpl.controls) {
        w.AlignDword();
        w.Dword(0); // help id
        w.Dword(0); // extended style
        w.Dword(c.style);
        w.Short(c.x);
        w.Short(c.y);
        w.Short(c.cx);
        w.Short(c.cy);
        w.Dword(static_cast<std::uint32_t>(c.id));
        w.Word(0xFFFF);
        w.Word(ClassAtomOf(c.kind));
        w.Text(c.text);
        w.Word(0); // no creation data
    }
    return w.Take();
}

} // namespace ui::win32
