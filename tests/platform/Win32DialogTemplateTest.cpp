// The in-memory dialog template the Win32 window is made from, read back field by field.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "platform/Win32DialogTemplate.h"

namespace {

using namespace ui;

// Reads the extended template format; every read stays inside the bytes.
class CReader {
public:
    explicit CReader(const std::vector<std::uint8_t>& b) : m_b(b) {}
    std::uint16_t Word() {
        if (m_at + 2 > m_b.size()) {
            m_bad = true;
            return 0;
        }
        const std::uint16_t v = static_cast<std::uint16_t>(m_b[m_at] | (m_b[m_at + 1] << 8));
        m_at += 2;
        return v;
    }
    std::uint32_t Dword() {
        const std::uint32_t lo = Word();
        return lo | (static_cast<std::uint32_t>(Word()) << 16);
    }
    int Short() { return static_cast<std::int16_t>(Word()); }
    std::u16string Text() {
        std::u16string s;
        while (!m_bad)
            if (char16_t c = static_cast<char16_t>(Word()); c != 0)
                s.push_back(c);
            else
                break;
        return s;
    }
    void AlignDword() { m_at = (m_at + 3) & ~std::size_t{3}; }
    bool Bad() const { return m_bad; }
    std::size_t At() const { return m_at; }

private:
    const std::vector<std::uint8_t>& m_b;
    std::size_t m_at = 0;
    bool m_bad = false;
};

struct ReadControl {
    std::uint32_t style;
    int x, y, cx, cy;
    std::uint32_t id;
    std::uint16_t classAtom;
    std::u16string text;
};

constexpr ControlTemplate kControls[] = {
    {kIdOk, ControlKind::DefPushButton, "OK", 10, 7, 50, 14,
     style::kChild | style::kVisible | style::kTabStop | style::kBsDefPushButton},
    {kIdStatic, ControlKind::Label, "Nam\xC3\xA9:", 1, 2, 3, 8, style::kChild | style::kVisible},
    {100, ControlKind::Edit, "", -5, 20, 40, 14,
     style::kChild | style::kTabStop | style::kEsAutoHScroll},
    {101, ControlKind::DropDownList, "", 60, 18, 147, 87,
     style::kChild | style::kVScroll | style::kCbsDropDownList},
    {102, ControlKind::CheckList, "", 14, 100, 193, 52,
     style::kChild | style::kLbsOwnerDrawFixed | style::kLbsHasStrings},
    {103, ControlKind::ListBox, "x", 1, 1, 1, 1, style::kChild},
    {104, ControlKind::GroupBox, "Group", 7, 7, 207, 257, style::kChild | style::kBsGroupBox},
    {105, ControlKind::StaticFrame, "", 227, 145, 180, 112,
     style::kChild | style::kSsSimple | style::kSsNotify},
    {106, ControlKind::PushButton, "&Apply", 367, 25, 50, 14, style::kChild},
};

DialogTemplate Template(const char* font) {
    return DialogTemplate{102, "Editor \xE2\x82\xAC", font,        8,         424,
                          271, 0x90C800C0u,           0x00040000u, kControls, {}};
}

TEST(Win32DialogTemplate, HeaderCarriesCaptionFontStylesAndSize) {
    const std::vector<std::uint8_t> bytes = win32::BuildDialogTemplate(Template("MS Sans Serif"));
    CReader r(bytes);
    EXPECT_EQ(r.Word(), 1);      // version
    EXPECT_EQ(r.Word(), 0xFFFF); // extended form
    EXPECT_EQ(r.Dword(), 0u);
    EXPECT_EQ(r.Dword(), 0x00040000u);
    EXPECT_EQ(r.Dword(), 0x90C800C0u);
    EXPECT_EQ(r.Word(), std::size(kControls));
    EXPECT_EQ(r.Short(), 0);
    EXPECT_EQ(r.Short(), 0);
    EXPECT_EQ(r.Short(), 424);
    EXPECT_EQ(r.Short(), 271);
    EXPECT_EQ(r.Word(), 0); // menu
    EXPECT_EQ(r.Word(), 0); // class
    EXPECT_EQ(r.Text(), u"Editor \u20AC");
    EXPECT_EQ(r.Word(), 8);
    EXPECT_EQ(r.Word(), 400);
    EXPECT_EQ(r.Word(), 0);
    EXPECT_EQ(r.Text(), u"MS Sans Serif");
    EXPECT_FALSE(r.Bad());
}

TEST(Win32DialogTemplate, WithoutAFontTheFontFlagAndFieldsAreLeftOut) {
    const std::vector<std::uint8_t> bytes = win32::BuildDialogTemplate(Template(nullptr));
    CReader r(bytes);
    r.Word();
    r.Word();
    r.Dword();
    r.Dword();
    EXPECT_EQ(r.Dword() & 0x40u, 0u);
    for (int i = 0; i < 7; ++i)
        r.Word();
    EXPECT_EQ(r.Text(), u"Editor \u20AC");
    // The first control follows at once.
    r.AlignDword();
    r.Dword();
    r.Dword();
    EXPECT_EQ(r.Dword(), kControls[0].style);
}

TEST(Win32DialogTemplate, ControlsKeepOrderIdsClassesStylesAndDialogUnitRectangles) {
    const std::vector<std::uint8_t> bytes = win32::BuildDialogTemplate(Template("MS Sans Serif"));
    CReader r(bytes);
    for (int i = 0; i < 15; ++i) // the header up to the caption
        r.Word();
    r.Text();
    r.Word();
    r.Word();
    r.Word();
    r.Text();
    std::vector<ReadControl> read;
    for (std::size_t i = 0; i < std::size(kControls); ++i) {
        r.AlignDword();
        ASSERT_EQ(r.At() % 4, 0u);
        EXPECT_EQ(r.Dword(), 0u); // help id
        EXPECT_EQ(r.Dword(), 0u); // extended style
        ReadControl c{};
        c.style = r.Dword();
        c.x = r.Short();
        c.y = r.Short();
        c.cx = r.Short();
        c.cy = r.Short();
        c.id = r.Dword();
        EXPECT_EQ(r.Word(), 0xFFFF);
        c.classAtom = r.Word();
        c.text = r.Text();
        EXPECT_EQ(r.Word(), 0); // no creation data
        read.push_back(c);
    }
    ASSERT_FALSE(r.Bad());
    EXPECT_EQ(r.At(), bytes.size());
    const std::array<std::uint16_t, std::size(kControls)> classes{
        win32::kClassButton,   win32::kClassStatic,  win32::kClassEdit,
        win32::kClassComboBox, win32::kClassListBox, win32::kClassListBox,
        win32::kClassButton,   win32::kClassStatic,  win32::kClassButton};
    for (std::size_t i = 0; i < read.size(); ++i) {
        SCOPED_TRACE(i);
        const ControlTemplate& t = kControls[i];
        EXPECT_EQ(read[i].style, t.style);
        EXPECT_EQ(read[i].x, t.x);
        EXPECT_EQ(read[i].y, t.y);
        EXPECT_EQ(read[i].cx, t.cx);
        // A drop-down's height is that of its dropped list, as the system reads it.
        EXPECT_EQ(read[i].cy, t.cy);
        EXPECT_EQ(read[i].id, static_cast<std::uint32_t>(t.id));
        EXPECT_EQ(read[i].classAtom, classes[i]);
    }
    EXPECT_EQ(read[1].id, 0xFFFFFFFFu);
    EXPECT_EQ(read[1].text, u"Nam\u00E9:");
    EXPECT_EQ(read[8].text, u"&Apply");
}

TEST(Win32DialogTemplate, Utf16KeepsCharactersAndMarksBrokenBytes) {
    EXPECT_EQ(win32::Utf16FromUtf8("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"),
              u"a\u00E9\u20AC\U0001F600");
    // A lone trail byte, a cut sequence, an overlong form and a surrogate: one mark per bad byte.
    EXPECT_EQ(win32::Utf16FromUtf8("\x80x"), u"\uFFFDx");
    EXPECT_EQ(win32::Utf16FromUtf8("x\xE2\x82"), u"x\uFFFD\uFFFD");
    EXPECT_EQ(win32::Utf16FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(win32::Utf16FromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(win32::Utf16FromUtf8(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

} // namespace
