// The user-interface layer on Win32: the dialog is the system's own modal dialog, made from the
// template data through an in-memory template, with the standard control classes. Texts cross
// the interface as UTF-8 and reach the controls as UTF-16, whatever the active code page is.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
// The interface has a MessageBox of its own; the system one is called by its wide name.
#undef MessageBox

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/DialogProtocol.h"
#include "platform/UiProgram.h"
#include "platform/Win32DialogTemplate.h"

namespace ui {

namespace {

std::wstring Wide(const std::string& utf8) {
    const std::u16string s = win32::Utf16FromUtf8(utf8);
    return std::wstring(s.begin(), s.end());
}

std::string Utf8(const std::wstring& w) {
    if (w.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n,
                            nullptr, nullptr);
    return out;
}

std::wstring WindowText(HWND hwnd) {
    const int len = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(len) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, text.data(), len + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

void ShowMessage(HWND owner, const std::string& text, MessageIcon icon) {
    const UINT type = MB_OK | (icon == MessageIcon::Error ? MB_ICONERROR : 0);
    MessageBoxW(owner, Wide(text).c_str(), Wide(ProgramName()).c_str(), type);
}

// A compiled-in icon at the system's size for the given metrics; nullptr when the program
// carries none.
HICON LoadProgramIcon(int id, int widthMetric, int heightMetric) {
    if (id <= 0) return nullptr;
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                         IMAGE_ICON, GetSystemMetrics(widthMetric),
                                         GetSystemMetrics(heightMetric), LR_DEFAULTCOLOR));
}

class CWin32Dialog;

class CWin32Control final : public IControl {
public:
    CWin32Control(CWin32Dialog& owner, const ControlTemplate& tmpl, HWND hwnd)
        : m_owner(owner), m_id(tmpl.id), m_kind(tmpl.kind), m_hwnd(hwnd) {}

    int Id() const override { return m_id; }
    ControlKind Kind() const override { return m_kind; }
    std::string GetText() const override;
    void SetText(const std::string& text) override;
    void SetCaretToEnd() override {
        if (m_kind != ControlKind::Edit) return;
        const int len = GetWindowTextLengthW(m_hwnd);
        SendMessageW(m_hwnd, EM_SETSEL, static_cast<WPARAM>(len), len);
        SendMessageW(m_hwnd, EM_SCROLLCARET, 0, 0);
    }
    void Enable(bool enable) override { EnableWindow(m_hwnd, enable ? TRUE : FALSE); }
    bool IsEnabled() const override { return IsWindowEnabled(m_hwnd) != FALSE; }
    void Show(bool show) override { ShowWindow(m_hwnd, show ? SW_SHOW : SW_HIDE); }
    // The control's own mark: the dialog itself is still hidden while it is initialised.
    bool IsVisible() const override {
        return (GetWindowLongW(m_hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
    }
    Rect GetRect() const override;
    void SetRect(const Rect& r) override {
        MoveWindow(m_hwnd, r.left, r.top, r.Width(), r.Height(), TRUE);
    }
    void Refresh() override { InvalidateRect(m_hwnd, nullptr, TRUE); }
    void SetFocus() override;
    void ResetContent() override;
    int AddString(const std::string& text) override { return InsertString(-1, text); }
    int InsertString(int index, const std::string& text) override;
    int GetCount() const override {
        LRESULT n = IsList()    ? SendMessageW(m_hwnd, LB_GETCOUNT, 0, 0)
                    : IsCombo() ? SendMessageW(m_hwnd, CB_GETCOUNT, 0, 0)
                                : 0;
        return n < 0 ? 0 : static_cast<int>(n);
    }
    std::string GetItemText(int index) const override;
    int GetCurSel() const override {
        LRESULT sel = IsList()    ? SendMessageW(m_hwnd, LB_GETCURSEL, 0, 0)
                      : IsCombo() ? SendMessageW(m_hwnd, CB_GETCURSEL, 0, 0)
                                  : -1;
        return sel < 0 ? -1 : static_cast<int>(sel);
    }
    int SetCurSel(int index) override;
    bool GetCheck(int index) const override {
        if (m_kind != ControlKind::CheckList || index < 0 || index >= GetCount()) return false;
        return SendMessageW(m_hwnd, LB_GETITEMDATA, static_cast<WPARAM>(index), 0) == 1;
    }
    void SetCheck(int index, bool checked) override {
        if (m_kind != ControlKind::CheckList || index < 0 || index >= GetCount()) return;
        SendMessageW(m_hwnd, LB_SETITEMDATA, static_cast<WPARAM>(index), checked ? 1 : 0);
        RedrawItem(index);
    }

    HWND Handle() const { return m_hwnd; }
    void RedrawItem(int index) {
        RECT r;
        if (SendMessageW(m_hwnd, LB_GETITEMRECT, static_cast<WPARAM>(index),
                         reinterpret_cast<LPARAM>(&r)) != LB_ERR)
            InvalidateRect(m_hwnd, &r, TRUE);
    }

private:
    bool IsList() const {
        return m_kind == ControlKind::ListBox || m_kind == ControlKind::CheckList;
    }
    bool IsCombo() const { return m_kind == ControlKind::DropDownList; }

    CWin32Dialog& m_owner;
    int m_id;
    ControlKind m_kind;
    HWND m_hwnd;
};

class CWin32Paint final : public IPaintContext {
public:
    // origin: where the device context's (0, 0) lies in the dialog's client coordinates.
    CWin32Paint(HDC dc, POINT origin, HICON icon) : m_dc(dc), m_origin(origin), m_icon(icon) {}
    void DrawBgr24(int x, int y, int width, int height, const std::uint8_t* rows,
                   std::size_t stride) override {
        if (width <= 0 || height <= 0 || !rows || stride < static_cast<std::size_t>(width) * 3)
            return;
        // The system reads rows padded to four bytes: a picture stored tighter is copied first.
        const std::size_t padded = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
        std::vector<std::uint8_t> copy;
        const std::uint8_t* bits = rows;
        if (stride != padded) {
            copy.assign(padded * static_cast<std::size_t>(height), 0);
            for (int row = 0; row < height; ++row)
                std::copy_n(rows + stride * static_cast<std::size_t>(row),
                            static_cast<std::size_t>(width) * 3,
                            copy.data() + padded * static_cast<std::size_t>(row));
            bits = copy.data();
        }
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height; // bottom-up
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        SetDIBitsToDevice(m_dc, x - m_origin.x, y - m_origin.y, static_cast<DWORD>(width),
                          static_cast<DWORD>(height), 0, 0, 0, static_cast<UINT>(height), bits,
                          &info, DIB_RGB_COLORS);
    }
    void DrawIcon(int x, int y) override {
        if (m_icon) ::DrawIcon(m_dc, x - m_origin.x, y - m_origin.y, m_icon);
    }

private:
    HDC m_dc;
    POINT m_origin;
    HICON m_icon;
};

// Set while a dialog is being made: the messages its controls send before WM_INITDIALOG (item
// heights) have no other way to find it.
thread_local class CWin32Dialog* t_creating = nullptr;

class CWin32Dialog final : public IDialog {
public:
    CWin32Dialog(const DialogTemplate& tmpl, IDialogHandler& handler)
        : m_tmpl(tmpl), m_protocol(tmpl, handler, [this](int result) {
              if (m_hwnd) ::EndDialog(m_hwnd, result);
          }) {}

    ~CWin32Dialog() override {
        m_protocol.Abandon();
        if (m_bigIcon) DestroyIcon(m_bigIcon);
        if (m_smallIcon) DestroyIcon(m_smallIcon);
    }
    CWin32Dialog(const CWin32Dialog&) = delete;
    CWin32Dialog& operator=(const CWin32Dialog&) = delete;

    int Run(HWND owner) {
        const std::vector<std::uint8_t> bytes = win32::BuildDialogTemplate(m_tmpl);
        // The template must start on a 4-byte boundary: copied into storage of DWORDs.
        std::vector<DWORD> aligned((bytes.size() + 3) / 4);
        std::copy(bytes.begin(), bytes.end(), reinterpret_cast<std::uint8_t*>(aligned.data()));
        t_creating = this;
        const INT_PTR r = DialogBoxIndirectParamW(
            GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(aligned.data()), owner,
            &CWin32Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
        t_creating = nullptr;
        m_protocol.Abandon();
        if (r == -1) {
            std::fprintf(stderr, "%s: the dialog cannot be made (error %lu)\n",
                         ProgramName().c_str(), GetLastError());
            return kIdCancel;
        }
        return m_protocol.Result() != 0 ? m_protocol.Result() : static_cast<int>(r);
    }

    CDialogProtocol& Protocol() { return m_protocol; }
    HWND Handle() const { return m_hwnd; }

    // IDialog
    IControl* Control(int id) override {
        auto it = m_byId.find(id);
        return it == m_byId.end() ? nullptr : it->second.get();
    }
    void EndDialog(int result) override { m_protocol.EndDialog(result); }
    void MessageBox(const std::string& text, MessageIcon icon) override {
        ShowMessage(m_hwnd, text, icon);
    }
    void Beep() override { MessageBeep(MB_OK); }
    std::optional<std::string> AskOpenFile(const std::string& filter) override;
    Rect GetWindowRect() const override {
        RECT outer;
        ::GetWindowRect(m_hwnd, &outer);
        POINT origin{0, 0};
        ClientToScreen(m_hwnd, &origin);
        return Rect{outer.left - origin.x, outer.top - origin.y, outer.right - origin.x,
                    outer.bottom - origin.y};
    }
    void SetWindowRect(const Rect& r) override {
        POINT origin{0, 0};
        ClientToScreen(m_hwnd, &origin);
        SetWindowPos(m_hwnd, HWND_TOP, r.left + origin.x, r.top + origin.y, r.Width(), r.Height(),
                     0);
    }
    Rect GetClientRect() const override {
        RECT c;
        ::GetClientRect(m_hwnd, &c);
        return Rect{c.left, c.top, c.right, c.bottom};
    }
    bool IsMinimized() const override { return IsIconic(m_hwnd) != FALSE; }
    void SetIcon(const IconData& icon) override {
        // The picture is the icon resource, made from the same data at build time.
        if (!m_bigIcon) m_bigIcon = LoadProgramIcon(icon.resourceId, SM_CXICON, SM_CYICON);
        if (!m_smallIcon) m_smallIcon = LoadProgramIcon(icon.resourceId, SM_CXSMICON, SM_CYSMICON);
        if (m_bigIcon)
            SendMessageW(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon));
        if (m_smallIcon)
            SendMessageW(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon));
    }
    void RemoveSystemMenu() override {
        SetWindowLongW(m_hwnd, GWL_STYLE, GetWindowLongW(m_hwnd, GWL_STYLE) & ~WS_SYSMENU);
        SetWindowPos(m_hwnd, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    Colour ButtonFaceColour() const override {
        const COLORREF c = GetSysColor(COLOR_BTNFACE);
        return Colour{GetRValue(c), GetGValue(c), GetBValue(c)};
    }
    void Invalidate() override { InvalidateRect(m_hwnd, nullptr, TRUE); }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        CWin32Dialog* self = nullptr;
        if (msg == WM_INITDIALOG) {
            self = reinterpret_cast<CWin32Dialog*>(lp);
            SetWindowLongPtrW(hwnd, DWLP_USER, lp);
        } else {
            self = reinterpret_cast<CWin32Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
            if (!self) self = t_creating;
        }
        return self ? self->Handle(hwnd, msg, wp, lp) : FALSE;
    }

    INT_PTR Handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        switch (msg) {
        case WM_INITDIALOG:
            return OnInit(hwnd);
        case WM_COMMAND:
            OnCommand(LOWORD(wp), HIWORD(wp));
            return TRUE;
        case WM_MEASUREITEM:
            return OnMeasureItem(hwnd, *reinterpret_cast<MEASUREITEMSTRUCT*>(lp));
        case WM_DRAWITEM:
            return OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            CWin32Paint paint(dc, POINT{0, 0}, m_bigIcon);
            m_protocol.Paint(paint);
            EndPaint(hwnd, &ps);
            return TRUE;
        }
        case WM_DESTROY:
            // Gone without an end taking effect (the system ending the session, say): nothing
            // reaches the handler any more.
            m_protocol.Abandon();
            return FALSE;
        default:
            return FALSE;
        }
    }

    BOOL OnInit(HWND hwnd) {
        m_hwnd = hwnd;
        for (const ControlTemplate& c : m_tmpl.controls) {
            if (c.id == kIdStatic) continue;
            HWND child = GetDlgItem(hwnd, c.id);
            if (!child) continue;
            m_byId[c.id] = std::make_unique<CWin32Control>(*this, c, child);
            if (c.kind == ControlKind::CheckList)
                SetWindowSubclass(child, &CWin32Dialog::CheckListProc, 0,
                                  reinterpret_cast<DWORD_PTR>(this));
            if (c.kind == ControlKind::StaticFrame)
                SetWindowSubclass(child, &CWin32Dialog::FrameProc, 0,
                                  reinterpret_cast<DWORD_PTR>(this));
        }
        m_protocol.AddInitialItems(*this);
        CentreOnScreen();
        const int focus = m_protocol.Initialise(*this);
        if (m_protocol.IsClosed()) return FALSE;
        if (IControl* c = Control(focus)) {
            SendMessageW(hwnd, WM_NEXTDLGCTL,
                         reinterpret_cast<WPARAM>(static_cast<CWin32Control*>(c)->Handle()), TRUE);
        }
        // The focus is placed: by the handler or just above.
        return FALSE;
    }

    void CentreOnScreen() {
        RECT r;
        ::GetWindowRect(m_hwnd, &r);
        RECT work{};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        const int x = work.left + ((work.right - work.left) - (r.right - r.left)) / 2;
        const int y = work.top + ((work.bottom - work.top) - (r.bottom - r.top)) / 2;
        SetWindowPos(m_hwnd, nullptr, x > work.left ? x : work.left, y > work.top ? y : work.top, 0,
                     0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    const ControlTemplate* Find(int id) const {
        for (const ControlTemplate& c : m_tmpl.controls)
            if (c.id == id) return &c;
        return nullptr;
    }

    // The system reports the focus moves itself, each as a notification of its own that comes
    // before the click or selection that caused it: every notification is a plain command.
    void OnCommand(int id, int code) {
        const ControlTemplate* c = Find(id);
        if (!c) {
            // Enter and Esc name OK and Cancel even where the template has no such button.
            if ((id == kIdOk || id == kIdCancel) && code == BN_CLICKED)
                m_protocol.Command(id, Notify::Clicked);
            return;
        }
        switch (c->kind) {
        case ControlKind::DefPushButton:
        case ControlKind::PushButton:
            if (code == BN_CLICKED) m_protocol.Command(id, Notify::Clicked);
            break;
        case ControlKind::Edit:
            if (code == EN_SETFOCUS) m_protocol.FocusEntered(id);
            if (code == EN_KILLFOCUS) m_protocol.FocusLeft(id);
            if (code == EN_CHANGE) m_protocol.Command(id, Notify::Change);
            break;
        case ControlKind::ListBox:
        case ControlKind::CheckList:
            if (code == LBN_SETFOCUS) m_protocol.FocusEntered(id);
            if (code == LBN_KILLFOCUS) m_protocol.FocusLeft(id);
            if (code == LBN_SELCHANGE) m_protocol.Command(id, Notify::SelChange);
            break;
        case ControlKind::DropDownList:
            if (code == CBN_SETFOCUS) m_protocol.FocusEntered(id);
            if (code == CBN_KILLFOCUS) m_protocol.FocusLeft(id);
            if (code == CBN_SELCHANGE) m_protocol.Command(id, Notify::SelChange);
            break;
        default:
            break;
        }
    }

    // Rows of the check list: a line of the dialog's font, and room for the box.
    BOOL OnMeasureItem(HWND hwnd, MEASUREITEMSTRUCT& m) {
        if (m.CtlType != ODT_LISTBOX) return FALSE;
        HDC dc = GetDC(hwnd);
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
        HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        if (old) SelectObject(dc, old);
        ReleaseDC(hwnd, dc);
        const int box = GetSystemMetrics(SM_CYMENUCHECK);
        const int line = static_cast<int>(tm.tmHeight);
        m.itemHeight = static_cast<UINT>((line > box ? line : box) + 2);
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, TRUE);
        return TRUE;
    }

    BOOL OnDrawItem(const DRAWITEMSTRUCT& d) {
        if (d.CtlType != ODT_LISTBOX) return FALSE;
        HDC dc = d.hDC;
        RECT r = d.rcItem;
        const bool selected = (d.itemState & ODS_SELECTED) != 0;
        FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        if (d.itemID != static_cast<UINT>(-1)) {
            const int height = r.bottom - r.top;
            const int box = BoxSize(height);
            RECT b{r.left + 2, r.top + (height - box) / 2, r.left + 2 + box,
                   r.top + (height - box) / 2 + box};
            const bool checked = d.itemData == 1;
            DrawFrameControl(dc, &b, DFC_BUTTON,
                             DFCS_BUTTONCHECK | DFCS_FLAT | (checked ? DFCS_CHECKED : 0));
            const LRESULT len = SendMessageW(d.hwndItem, LB_GETTEXTLEN, d.itemID, 0);
            std::wstring text(static_cast<std::size_t>(len > 0 ? len : 0) + 1, L'\0');
            if (len > 0)
                SendMessageW(d.hwndItem, LB_GETTEXT, d.itemID,
                             reinterpret_cast<LPARAM>(text.data()));
            text.resize(static_cast<std::size_t>(len > 0 ? len : 0));
            RECT t = r;
            t.left = b.right + 4;
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &t,
                      DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
        if (d.itemState & ODS_FOCUS) DrawFocusRect(dc, &r);
        return TRUE;
    }

    static int BoxSize(int rowHeight) {
        const int box = GetSystemMetrics(SM_CYMENUCHECK);
        return box < rowHeight - 2 ? box : rowHeight - 2;
    }

    // The check list toggles a box on a click inside it and on Space, after the list's own
    // selection handling: the selected row changes first, then the box.
    static LRESULT CALLBACK CheckListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                          DWORD_PTR data) {
        auto* self = reinterpret_cast<CWin32Dialog*>(data);
        switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            const LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
            const POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            const LRESULT hit = SendMessageW(hwnd, LB_ITEMFROMPOINT, 0, lp);
            if (HIWORD(hit) == 0) {
                const int index = LOWORD(hit);
                RECT item;
                SendMessageW(hwnd, LB_GETITEMRECT, static_cast<WPARAM>(index),
                             reinterpret_cast<LPARAM>(&item));
                const int box = BoxSize(item.bottom - item.top);
                if (msg == WM_LBUTTONDBLCLK || p.x < item.left + 2 + box + 2)
                    self->ToggleCheck(hwnd, index);
            }
            return r;
        }
        case WM_KEYDOWN:
            if (wp == VK_SPACE) {
                const LRESULT sel = SendMessageW(hwnd, LB_GETCURSEL, 0, 0);
                if (sel >= 0) self->ToggleCheck(hwnd, static_cast<int>(sel));
                return 0;
            }
            break;
        case WM_CHAR:
            // The list's search by typed letter would take the space as well.
            if (wp == L' ') return 0;
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, &CWin32Dialog::CheckListProc, 0);
            break;
        default:
            break;
        }
        return DefSubclassProc(hwnd, msg, wp, lp);
    }

    void ToggleCheck(HWND list, int index) {
        const int id = GetDlgCtrlID(list);
        auto* c = static_cast<CWin32Control*>(Control(id));
        if (!c || index < 0 || index >= c->GetCount()) return;
        c->SetCheck(index, !c->GetCheck(index));
        m_protocol.Command(id, Notify::CheckToggled);
    }

    // The preview frame shows what the dialog paints over its area: a plain static would paint
    // its background over the picture after the dialog drew it.
    static LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                      DWORD_PTR data) {
        auto* self = reinterpret_cast<CWin32Dialog*>(data);
        switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            FillRect(dc, &ps.rcPaint, GetSysColorBrush(COLOR_BTNFACE));
            POINT origin{0, 0};
            MapWindowPoints(hwnd, self->m_hwnd, &origin, 1);
            CWin32Paint paint(dc, origin, self->m_bigIcon);
            self->m_protocol.Paint(paint);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, &CWin32Dialog::FrameProc, 0);
            break;
        default:
            break;
        }
        return DefSubclassProc(hwnd, msg, wp, lp);
    }

    const DialogTemplate& m_tmpl;
    CDialogProtocol m_protocol;
    HWND m_hwnd = nullptr;
    std::map<int, std::unique_ptr<CWin32Control>> m_byId;
    HICON m_bigIcon = nullptr;
    HICON m_smallIcon = nullptr;
};

std::optional<std::string> CWin32Dialog::AskOpenFile(const std::string& filter) {
    // "Desc|*.ext||" becomes the system's "Desc\0*.ext\0\0".
    std::wstring f = Wide(filter);
    for (wchar_t& ch : f)
        if (ch == L'|') ch = L'\0';
    f.push_back(L'\0');
    std::wstring file(32768, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = m_hwnd;
    ofn.lpstrFilter = f.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.Flags = OFN_HIDEREADONLY | OFN_EXPLORER;
    if (!GetOpenFileNameW(&ofn)) return std::nullopt;
    file.resize(wcslen(file.c_str()));
    // The file layer opens paths in the active code page.
    const int n = WideCharToMultiByte(CP_ACP, 0, file.data(), static_cast<int>(file.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string path(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    BOOL lossy = FALSE;
    if (n > 0)
        WideCharToMultiByte(CP_ACP, 0, file.data(), static_cast<int>(file.size()), path.data(), n,
                            nullptr, GetACP() == CP_UTF8 ? nullptr : &lossy);
    if (n <= 0 || lossy) {
        ShowMessage(m_hwnd,
                    "Cannot open " + Utf8(file) +
                        ": its name holds characters this system's code page lacks.",
                    MessageIcon::Error);
        return std::nullopt;
    }
    return path;
}

std::string CWin32Control::GetText() const {
    if (IsCombo()) {
        const int sel = GetCurSel();
        return sel < 0 ? std::string() : GetItemText(sel);
    }
    if (IsList()) return {};
    return Utf8(WindowText(m_hwnd));
}

void CWin32Control::SetText(const std::string& text) {
    if (IsList() || IsCombo()) return;
    if (m_kind != ControlKind::Edit) {
        SetWindowTextW(m_hwnd, Wide(text).c_str());
        return;
    }
    if (Utf8(WindowText(m_hwnd)) == text) return;
    m_owner.Protocol().Quietly(m_id, [&] { SetWindowTextW(m_hwnd, Wide(text).c_str()); });
    m_owner.Protocol().TextSetFromCode(m_id);
}

Rect CWin32Control::GetRect() const {
    RECT r;
    ::GetWindowRect(m_hwnd, &r);
    MapWindowPoints(nullptr, m_owner.Handle(), reinterpret_cast<POINT*>(&r), 2);
    return Rect{r.left, r.top, r.right, r.bottom};
}

void CWin32Control::SetFocus() {
    // Moving the focus from code takes it from an edit too.
    m_owner.Protocol().FocusEntered(m_id);
    SendMessageW(m_owner.Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_hwnd), TRUE);
}

// Changes made by code: whatever the system reports while they happen is not the user's.
void CWin32Control::ResetContent() {
    if (!IsList() && !IsCombo()) return;
    m_owner.Protocol().Quietly(
        m_id, [&] { SendMessageW(m_hwnd, IsList() ? LB_RESETCONTENT : CB_RESETCONTENT, 0, 0); });
}

int CWin32Control::InsertString(int index, const std::string& text) {
    if (!IsList() && !IsCombo()) return -1;
    const int count = GetCount();
    if (index < 0 || index > count) index = -1;
    const std::wstring w = Wide(text);
    LRESULT at = -1;
    m_owner.Protocol().Quietly(m_id, [&] {
        at = SendMessageW(m_hwnd, IsList() ? LB_INSERTSTRING : CB_INSERTSTRING,
                          static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(w.c_str()));
    });
    return at < 0 ? -1 : static_cast<int>(at);
}

std::string CWin32Control::GetItemText(int index) const {
    if (index < 0 || index >= GetCount()) return {};
    const UINT lenMsg = IsList() ? LB_GETTEXTLEN : CB_GETLBTEXTLEN;
    const UINT textMsg = IsList() ? LB_GETTEXT : CB_GETLBTEXT;
    const LRESULT len = SendMessageW(m_hwnd, lenMsg, static_cast<WPARAM>(index), 0);
    if (len <= 0) return {};
    std::wstring w(static_cast<std::size_t>(len) + 1, L'\0');
    const LRESULT got = SendMessageW(m_hwnd, textMsg, static_cast<WPARAM>(index),
                                     reinterpret_cast<LPARAM>(w.data()));
    w.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return Utf8(w);
}

int CWin32Control::SetCurSel(int index) {
    if (!IsList() && !IsCombo()) return -1;
    const bool inRange = index >= 0 && index < GetCount();
    m_owner.Protocol().Quietly(m_id, [&] {
        SendMessageW(m_hwnd, IsList() ? LB_SETCURSEL : CB_SETCURSEL,
                     static_cast<WPARAM>(inRange ? index : -1), 0);
    });
    return inRange ? index : -1;
}

class CWin32UiSystem final : public IUiSystem {
public:
    void MessageBox(const std::string& text, MessageIcon icon) override {
        ShowMessage(nullptr, text, icon);
    }
    int RunModal(const DialogTemplate& tmpl, const IconData*, IDialogHandler& handler) override {
        CWin32Dialog dialog(tmpl, handler);
        return dialog.Run(nullptr);
    }
};

} // namespace

int RunUiProgram(int argc, char** argv, const UiProgramBody& body) {
    // The manifest asks for version 6 of the common controls: they must be loaded before the
    // first window is made.
    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    CWin32UiSystem system;
    return body(system, args);
}

} // namespace ui
