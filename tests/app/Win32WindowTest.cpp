// The editor's dialog template as the real Win32 dialog (run under Wine by the Windows build):
// the system's own controls where the template puts them, the template's items, the tab order,
// and the notifications the dialog logic counts on. A probing handler stands in for the editor.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cwctype>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/UiProgram.h"
#include "resources/EditorResources.h"

namespace {

using ui::Notify;

struct Heard {
    int id;
    Notify code;
    bool operator==(const Heard&) const = default;
};

class CProbe final : public ui::IDialogHandler {
public:
    std::function<bool(ui::IDialog&)> init;
    std::vector<Heard> heard;
    bool OnInitDialog(ui::IDialog& d) override { return init ? init(d) : true; }
    bool OnCommand(int id, Notify code) override {
        heard.push_back({id, code});
        return false;
    }
    void OnPaint(ui::IPaintContext&) override {}
};

HWND DialogWindow() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM out) -> BOOL {
            wchar_t cls[64] = {};
            GetClassNameW(w, cls, 64);
            if (std::wstring(cls) != L"#32770") return TRUE;
            *reinterpret_cast<HWND*>(out) = w;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

std::wstring Lower(const wchar_t* s) {
    std::wstring out(s);
    for (wchar_t& c : out)
        c = static_cast<wchar_t>(std::towlower(c));
    return out;
}

const wchar_t* ClassOf(ui::ControlKind kind) {
    switch (kind) {
    case ui::ControlKind::DefPushButton:
    case ui::ControlKind::PushButton:
    case ui::ControlKind::GroupBox:
        return L"button";
    case ui::ControlKind::Edit:
        return L"edit";
    case ui::ControlKind::ListBox:
    case ui::ControlKind::CheckList:
        return L"listbox";
    case ui::ControlKind::DropDownList:
        return L"combobox";
    default:
        return L"static";
    }
}

RECT InDialog(HWND dlg, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Runs the editor template with the probe; after the dialog shows, later() runs once from its
// message loop. A dialog that does not end within 20 seconds ends with 99.
std::function<void()> g_later;

void CALLBACK OnTimer(HWND hwnd, UINT, UINT_PTR id, DWORD) {
    KillTimer(hwnd, id);
    if (id == 2) {
        EndDialog(hwnd, 99);
        return;
    }
    if (auto run = std::exchange(g_later, nullptr)) run();
}

int RunEditorTemplate(CProbe& probe, std::function<void(ui::IDialog&, HWND)> later) {
    ui::IDialog* dialog = nullptr;
    auto init = probe.init;
    probe.init = [&](ui::IDialog& d) {
        dialog = &d;
        HWND w = DialogWindow();
        SetTimer(w, 1, 50, &OnTimer);
        SetTimer(w, 2, 20000, &OnTimer);
        return init ? init(d) : true;
    };
    g_later = [&] {
        if (later) later(*dialog, DialogWindow());
    };
    int result = -1;
    char name[] = "test";
    char* argv[] = {name};
    ui::RunUiProgram(1, argv, [&](ui::IUiSystem& system, const std::vector<std::string>&) {
        result = system.RunModal(res::EditorDialogTemplate(), &res::ProgramIcon(), probe);
        return 0;
    });
    g_later = nullptr;
    return result;
}

TEST(Win32Window, ControlsClassesStylesPlacesItemsAndTabOrder) {
    const ui::DialogTemplate& t = res::EditorDialogTemplate();
    CProbe probe;
    bool checked = false;
    probe.init = [&](ui::IDialog& d) {
        HWND dlg = DialogWindow();
        EXPECT_NE(dlg, nullptr);
        if (!dlg) return true;
        checked = true;
        int statics = 0;
        for (const ui::ControlTemplate& c : t.controls) {
            SCOPED_TRACE(c.id);
            if (c.id == ui::kIdStatic) {
                ++statics;
                continue;
            }
            HWND w = GetDlgItem(dlg, c.id);
            EXPECT_NE(w, nullptr);
            if (!w) continue;
            wchar_t cls[64] = {};
            GetClassNameW(w, cls, 64);
            EXPECT_EQ(Lower(cls), ClassOf(c.kind));
            // The dialog manager turns a list's or edit's plain border into the sunken edge, and a
            // list shows its scroll bar only while its items need it.
            auto style = static_cast<std::uint32_t>(GetWindowLongW(w, GWL_STYLE));
            if (GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) style |= WS_BORDER;
            if (c.kind == ui::ControlKind::ListBox || c.kind == ui::ControlKind::CheckList ||
                c.kind == ui::ControlKind::DropDownList)
                style |= WS_VSCROLL;
            EXPECT_EQ(style & c.style, c.style);
            // Position and size are converted each on its own, as the dialog manager does.
            RECT want{c.x, c.y, c.cx, c.cy};
            MapDialogRect(dlg, &want);
            const RECT got = InDialog(dlg, w);
            EXPECT_EQ(got.left, want.left);
            EXPECT_EQ(got.top, want.top);
            EXPECT_EQ(got.right - got.left, want.right);
            if (c.kind == ui::ControlKind::DropDownList) {
                // Closed, the control keeps one line; the template's height holds the dropped list.
                const int closed = got.bottom - got.top;
                EXPECT_LT(closed, want.bottom / 2);
                RECT dropped{};
                SendMessageW(w, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
                // The dropped list shows whole items within that height.
                const int list = dropped.bottom - dropped.top;
                const int item = static_cast<int>(SendMessageW(w, CB_GETITEMHEIGHT, 0, 0));
                const int total = closed + list;
                EXPECT_LE(total, want.bottom + 1);
                EXPECT_GT(total, want.bottom - item - 4)
                    << "closed " << closed << ", list " << list << ", item " << item;
            } else {
                EXPECT_EQ(got.bottom - got.top, want.bottom);
            }
        }
        EXPECT_EQ(statics, 10);
        // The template's own items, before any code ran.
        ui::IControl* language = d.Control(res::kIdLanguage);
        EXPECT_EQ(SendMessageW(GetDlgItem(dlg, res::kIdLanguage), CB_GETCOUNT, 0, 0), 20);
        EXPECT_EQ(language->GetItemText(0), "US English");
        EXPECT_EQ(language->GetItemText(19), "Korean");
        // Tab order: the template's order, labels and frames skipped.
        std::vector<int> want;
        for (const ui::ControlTemplate& c : t.controls)
            if (ui::TakesFocus(c)) want.push_back(c.id);
        std::vector<int> got;
        HWND first = GetDlgItem(dlg, want.front());
        HWND w = first;
        do {
            got.push_back(GetDlgCtrlID(w));
            w = GetNextDlgTabItem(dlg, w, FALSE);
        } while (w && w != first && got.size() < 64);
        EXPECT_EQ(got, want);
        // Caption, no system menu once the handler removed it, and the program's icon.
        d.RemoveSystemMenu();
        EXPECT_EQ(GetWindowLongW(dlg, GWL_STYLE) & WS_SYSMENU, 0);
        EXPECT_EQ(GetWindowLongW(dlg, GWL_STYLE) & WS_VISIBLE, 0) << "shown before initialisation";
        d.EndDialog(ui::kIdCancel);
        return true;
    };
    EXPECT_EQ(RunEditorTemplate(probe, nullptr), ui::kIdCancel);
    EXPECT_TRUE(checked);
    // Ended during initialisation: nothing reached the handler.
    EXPECT_TRUE(probe.heard.empty());
}

TEST(Win32Window, NotificationsFromCodeAndFromTheUser) {
    CProbe probe;
    std::vector<Heard> fromCode;
    bool toggled = false;
    const int result = RunEditorTemplate(probe, [&](ui::IDialog& d, HWND dlg) {
        // Code: an edit's new text is heard once, the same text not at all; lists say nothing.
        d.Control(res::kIdMax)->SetText("42");
        d.Control(res::kIdMax)->SetText("42");
        ui::IControl* flags = d.Control(res::kIdFlags);
        for (const char* f : {"One", "Two", "Three"})
            flags->AddString(f);
        flags->SetCurSel(1);
        d.Control(res::kIdMenuItems)->AddString("Sit");
        d.Control(res::kIdMenuItems)->SetCurSel(0);
        fromCode = probe.heard;
        probe.heard.clear();
        // The user: Space toggles the selected box of the check list.
        HWND list = GetDlgItem(dlg, res::kIdFlags);
        SetFocus(list);
        SendMessageW(list, WM_KEYDOWN, VK_SPACE, 0);
        toggled = flags->GetCheck(1) && !flags->GetCheck(0);
        // With the Max edit focused, a click on OK: the edit's focus loss comes first.
        d.Control(res::kIdMax)->SetFocus();
        SendMessageW(GetDlgItem(dlg, ui::kIdOk), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(result, ui::kIdOk);
    EXPECT_EQ(fromCode, (std::vector<Heard>{{res::kIdMax, Notify::Change}}));
    EXPECT_TRUE(toggled);
    const std::vector<Heard> want{{res::kIdFlags, Notify::CheckToggled},
                                  {res::kIdMax, Notify::KillFocus},
                                  {ui::kIdOk, Notify::Clicked}};
    EXPECT_EQ(probe.heard, want);
}

} // namespace
