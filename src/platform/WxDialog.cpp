#include "platform/WxDialog.h"

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/button.h>
#include <wx/checklst.h>
#include <wx/choice.h>
#include <wx/dcclient.h>
#include <wx/dialog.h>
#include <wx/filedlg.h>
#include <wx/icon.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/listbox.h>
#include <wx/msgdlg.h>
#include <wx/settings.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/utils.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>

#include "platform/DialogLayout.h"
#include "platform/DialogProtocol.h"
#include "platform/WxGtkMetrics.h"

namespace ui {

namespace {

// Texts cross the interface as UTF-8 (the dialog's logic decodes names from their code page);
// the toolkit's own strings are Unicode, so nothing is lost either way.
wxString ToWx(const std::string& s) {
    return wxString::FromUTF8(s.data(), s.size());
}

std::string FromWx(const wxString& s) {
    const wxScopedCharBuffer utf8 = s.utf8_str();
    return std::string(utf8.data(), utf8.length());
}

class CWxDialog;

// The static frame: draws whatever the dialog paints over its area.
class CFrameWindow : public wxWindow {
public:
    CFrameWindow(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
        : wxWindow(parent, id, pos, size, wxBORDER_NONE) {}
    bool AcceptsFocus() const override { return false; }
    bool AcceptsFocusFromKeyboard() const override { return false; }
};

class CWxControl final : public IControl {
public:
    CWxControl(CWxDialog& owner, int id, ControlKind kind, wxWindow* win)
        : m_owner(owner), m_id(id), m_kind(kind), m_win(win) {}

    int Id() const override { return m_id; }
    ControlKind Kind() const override { return m_kind; }
    std::string GetText() const override;
    void SetText(const std::string& text) override;
    void SetCaretToEnd() override {
        if (auto* t = dynamic_cast<wxTextCtrl*>(m_win)) {
            t->SetInsertionPointEnd();
            t->ShowPosition(t->GetLastPosition());
        }
    }
    void Enable(bool enable) override { m_win->Enable(enable); }
    bool IsEnabled() const override { return m_win->IsEnabled(); }
    void Show(bool show) override { m_win->Show(show); }
    bool IsVisible() const override { return m_win->IsShown(); }
    Rect GetRect() const override {
        wxRect r = m_win->GetRect();
        return Rect{r.x, r.y, r.x + r.width, r.y + r.height};
    }
    void SetRect(const Rect& r) override { m_win->SetSize(r.left, r.top, r.Width(), r.Height()); }
    void Refresh() override { m_win->Refresh(); }
    void SetFocus() override;
    void ResetContent() override;
    int AddString(const std::string& text) override { return InsertString(-1, text); }
    int InsertString(int index, const std::string& text) override;
    int GetCount() const override {
        auto* c = dynamic_cast<wxItemContainer*>(m_win);
        return c ? static_cast<int>(c->GetCount()) : 0;
    }
    std::string GetItemText(int index) const override {
        auto* c = dynamic_cast<wxItemContainer*>(m_win);
        if (!c || index < 0 || index >= GetCount()) return {};
        return FromWx(c->GetString(static_cast<unsigned>(index)));
    }
    int GetCurSel() const override {
        auto* c = dynamic_cast<wxItemContainer*>(m_win);
        return c ? c->GetSelection() : -1;
    }
    int SetCurSel(int index) override;
    bool GetCheck(int index) const override {
        auto* c = dynamic_cast<wxCheckListBox*>(m_win);
        if (!c || index < 0 || index >= GetCount()) return false;
        return c->IsChecked(static_cast<unsigned>(index));
    }
    void SetCheck(int index, bool checked) override;

    wxWindow* Window() const { return m_win; }

private:
    CWxDialog& m_owner;
    int m_id;
    ControlKind m_kind;
    wxWindow* m_win;
};

class CWxPaint final : public IPaintContext {
public:
    CWxPaint(wxDC& dc, wxPoint origin, const wxIcon* icon, double scale)
        : m_dc(dc), m_origin(origin), m_icon(icon), m_scale(scale) {}
    void DrawBgr24(int x, int y, int width, int height, const std::uint8_t* rows,
                   std::size_t stride) override {
        if (width <= 0 || height <= 0 || !rows) return;
        wxImage img(width, height, false);
        unsigned char* out = img.GetData();
        for (int row = 0; row < height; ++row) {
            // Bottom-up source: the last stored row is the top of the picture.
            const std::uint8_t* src = rows + static_cast<std::size_t>(height - 1 - row) * stride;
            unsigned char* dst = out + static_cast<std::size_t>(row) * width * 3;
            for (int col = 0; col < width; ++col) {
                dst[col * 3 + 0] = src[col * 3 + 2];
                dst[col * 3 + 1] = src[col * 3 + 1];
                dst[col * 3 + 2] = src[col * 3 + 0];
            }
        }
        // On a scaled screen, each picture pixel becomes a block of device pixels: a smoothed
        // enlargement would blur the sprite's edges.
        int scale = static_cast<int>(m_scale + 0.5);
        if (scale > 1) {
            img.Rescale(width * scale, height * scale, wxIMAGE_QUALITY_NEAREST);
            m_dc.DrawBitmap(wxBitmap(img, -1, scale), x - m_origin.x, y - m_origin.y, false);
            return;
        }
        m_dc.DrawBitmap(wxBitmap(img), x - m_origin.x, y - m_origin.y, false);
    }
    void DrawIcon(int x, int y) override {
        if (m_icon && m_icon->IsOk()) m_dc.DrawIcon(*m_icon, x - m_origin.x, y - m_origin.y);
    }

private:
    wxDC& m_dc;
    wxPoint m_origin;
    const wxIcon* m_icon;
    double m_scale;
};

class CWxDialog final : public wxDialog, public IDialog {
public:
    CWxDialog(const DialogTemplate& tmpl, IDialogHandler& handler)
        : m_tmpl(tmpl), m_protocol(tmpl, handler, [this](int result) {
              if (IsModal()) EndModal(result);
          }) {
        gtk::InstallCompactStyle();
        wxDialog::Create(nullptr, wxID_ANY, ToWx(tmpl.caption ? tmpl.caption : ""),
                         wxDefaultPosition, wxDefaultSize, wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX);
        SetExtraStyle(GetExtraStyle() & ~wxWS_EX_BLOCK_EVENTS);
        SetEscapeId(wxID_NONE);
        SetAffirmativeId(wxID_NONE);
        if (tmpl.pointSize > 0) {
            wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
            font.SetPointSize(tmpl.pointSize);
            SetFont(font);
        }
        SetClientSize(ConvertDialogToPixels(wxSize(tmpl.cx, tmpl.cy)));
        Bind(wxEVT_PAINT, &CWxDialog::OnPaintEvent, this);
        Bind(wxEVT_CHAR_HOOK, &CWxDialog::OnCharHook, this);
        Bind(wxEVT_CLOSE_WINDOW,
             [this](wxCloseEvent&) { m_protocol.Command(kIdCancel, Notify::Clicked); });
        Bind(wxEVT_SHOW, &CWxDialog::OnShown, this);
        BuildControls();
        PlaceForRows();
    }

    ~CWxDialog() override { m_protocol.Abandon(); }

    void SetIconData(const IconData* icon) {
        if (!icon || icon->xpm.empty()) return;
        m_icon = wxIcon(icon->xpm.data());
    }

    // Runs initialisation and, unless it ended the dialog, the modal loop.
    int Run() {
        const int focus = m_protocol.Initialise(*this);
        if (m_protocol.IsClosed()) return m_protocol.Result();
        if (wxWindow* w = WindowOf(focus)) w->SetFocus();
        CentreOnScreen();
        ShowModal();
        return m_protocol.Result();
    }

    CDialogProtocol& Protocol() { return m_protocol; }

    // IDialog
    IControl* Control(int id) override {
        auto it = m_byId.find(id);
        return it == m_byId.end() ? nullptr : it->second.get();
    }
    void EndDialog(int result) override { m_protocol.EndDialog(result); }
    void MessageBox(const std::string& text, MessageIcon icon) override {
        wxMessageDialog box(this, ToWx(text), ToWx(ProgramName()),
                            wxOK | (icon == MessageIcon::Error ? wxICON_ERROR : wxICON_NONE));
        box.ShowModal();
    }
    void Beep() override { wxBell(); }
    std::optional<std::string> AskOpenFile(const std::string& filter) override {
        wxFileDialog dlg(nullptr, "Open", "", "", ToWx(ToolkitFilter(filter)), wxFD_OPEN);
        if (dlg.ShowModal() != wxID_OK) return std::nullopt;
        return std::string(dlg.GetPath().fn_str());
    }
    Rect GetWindowRect() const override {
        // The frame around the client area: equal at the sides and the bottom, the rest on top.
        wxSize outer = GetSize();
        wxSize client = GetClientSize();
        int side = (outer.x - client.x) / 2;
        int top = outer.y - client.y - side;
        return Rect{-side, -top, client.x + side, client.y + side};
    }
    void SetWindowRect(const Rect& r) override {
        Rect now = GetWindowRect();
        wxRect outer = GetRect();
        SetSize(outer.x + (r.left - now.left), outer.y + (r.top - now.top),
                outer.width + (r.Width() - now.Width()),
                outer.height + (r.Height() - now.Height()));
        Raise();
    }
    Rect GetClientRect() const override {
        wxSize s = GetClientSize();
        return Rect{0, 0, s.x, s.y};
    }
    bool IsMinimized() const override { return IsIconized(); }
    void SetIcon(const IconData& icon) override {
        SetIconData(&icon);
        if (m_icon.IsOk()) wxDialog::SetIcon(m_icon);
    }
    void RemoveSystemMenu() override {
        SetWindowStyleFlag(GetWindowStyleFlag() & ~(wxSYSTEM_MENU | wxCLOSE_BOX));
        EnableCloseButton(false);
    }
    Colour ButtonFaceColour() const override {
        wxColour c = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
        return Colour{c.Red(), c.Green(), c.Blue()};
    }
    void Invalidate() override { wxDialog::Refresh(); }

    void Detach() { m_protocol.Abandon(); }

private:
    wxWindow* WindowOf(int id) {
        auto it = m_byId.find(id);
        return it == m_byId.end() ? nullptr : it->second->Window();
    }

    void BuildControls() {
        for (const auto& c : m_tmpl.controls) {
            wxWindow* w = MakeControl(c);
            m_windows.push_back(w);
            if (c.id != kIdStatic && w)
                m_byId[c.id] = std::make_unique<CWxControl>(*this, c.id, c.kind, w);
        }
        m_protocol.AddInitialItems(*this);
    }

    wxWindow* MakeControl(const ControlTemplate& c) {
        wxPoint pos = ConvertDialogToPixels(wxPoint(c.x, c.y));
        wxSize size = ConvertDialogToPixels(wxSize(c.cx, c.cy));
        wxString text = ToWx(c.text ? c.text : "");
        wxWindowID wid = c.id > 0 ? c.id : wxID_ANY;
        switch (c.kind) {
        case ControlKind::DefPushButton:
        case ControlKind::PushButton:
            return MakeButton(c, wid, text, pos, size);
        case ControlKind::GroupBox:
            return new wxStaticBox(this, wid, text, pos, size);
        case ControlKind::Label:
            return new wxStaticText(this, wid, text, pos, size, wxST_NO_AUTORESIZE);
        case ControlKind::ListBox:
        case ControlKind::CheckList:
            return MakeList(c, wid, pos, size);
        case ControlKind::DropDownList:
            return MakeDropDown(c, wid, pos, size);
        case ControlKind::Edit:
            return MakeEdit(c, wid, text, pos, size);
        case ControlKind::StaticFrame:
            return MakeFrame(wid, pos, size);
        }
        return nullptr;
    }

    wxWindow* MakeButton(const ControlTemplate& c, wxWindowID wid, const wxString& text,
                         wxPoint pos, wxSize size) {
        auto* b = new wxButton(this, wid, text, pos, size);
        if (c.kind == ControlKind::DefPushButton) b->SetDefault();
        b->Bind(wxEVT_BUTTON, [this, id = c.id](wxCommandEvent&) {
            m_protocol.PointerCommand(id, Notify::Clicked);
        });
        return b;
    }

    wxWindow* MakeList(const ControlTemplate& c, wxWindowID wid, wxPoint pos, wxSize size) {
        wxListBox* l = nullptr;
        if (c.kind == ControlKind::CheckList) {
            auto* checks = new wxCheckListBox(this, wid, pos, size, 0, nullptr, wxLB_SINGLE);
            checks->Bind(wxEVT_CHECKLISTBOX, [this, id = c.id](wxCommandEvent&) {
                m_protocol.PointerCommand(id, Notify::CheckToggled);
            });
            l = checks;
        } else {
            l = new wxListBox(this, wid, pos, size, 0, nullptr, wxLB_SINGLE);
        }
        l->Bind(wxEVT_LISTBOX, [this, id = c.id](wxCommandEvent&) {
            m_protocol.PointerCommand(id, Notify::SelChange);
        });
        return l;
    }

    wxWindow* MakeDropDown(const ControlTemplate& c, wxWindowID wid, wxPoint pos, wxSize size) {
        // The template's height is that of the dropped list; the closed control keeps its own
        // one-line height.
        auto* ch = new wxChoice(this, wid, pos, wxSize(size.x, -1));
        ch->Bind(wxEVT_CHOICE, [this, id = c.id](wxCommandEvent&) {
            m_protocol.PointerCommand(id, Notify::SelChange);
        });
        return ch;
    }

    wxWindow* MakeEdit(const ControlTemplate& c, wxWindowID wid, const wxString& text, wxPoint pos,
                       wxSize size) {
        auto* t = new wxTextCtrl(this, wid, text, pos, size);
        const int id = c.id;
        t->Bind(wxEVT_TEXT,
                [this, id](wxCommandEvent&) { m_protocol.Command(id, Notify::Change); });
        t->Bind(wxEVT_SET_FOCUS, [this, id](wxFocusEvent& e) {
            m_protocol.FocusEntered(id);
            e.Skip();
        });
        t->Bind(wxEVT_KILL_FOCUS, [this, id](wxFocusEvent& e) {
            e.Skip();
            m_protocol.FocusLeft(id);
        });
        return t;
    }

    wxWindow* MakeFrame(wxWindowID wid, wxPoint pos, wxSize size) {
        auto* f = new CFrameWindow(this, wid, pos, size);
        f->Bind(wxEVT_PAINT, [this, f](wxPaintEvent&) {
            wxPaintDC dc(f);
            CWxPaint paint(dc, f->GetPosition(), &m_icon, f->GetContentScaleFactor());
            m_protocol.Paint(paint);
        });
        return f;
    }

    // Stretches the template vertically just enough for every list to show the rows its
    // template height holds, at the toolkit's row height; lists show whole rows only.
    void PlaceForRows() {
        RowMetrics m;
        m.unitRow = ConvertDialogToPixels(wxSize(0, 8)).y;
        m.labelHeight = GetCharHeight();
        // Every list is made denser before any is measured.
        for (wxWindow* w : m_windows)
            if (auto* list = dynamic_cast<wxListBox*>(w)) gtk::CompactRows(*list);
        std::vector<Rect> px;
        for (std::size_t i = 0; i < m_tmpl.controls.size(); ++i) {
            const ControlTemplate& c = m_tmpl.controls[i];
            wxPoint p = ConvertDialogToPixels(wxPoint(c.x, c.y));
            wxSize z = ConvertDialogToPixels(wxSize(c.cx, c.cy));
            px.push_back(Rect{p.x, p.y, p.x + z.x, p.y + z.y});
            wxWindow* w = m_windows[i];
            if (auto* list = dynamic_cast<wxListBox*>(w)) {
                int& row = c.kind == ControlKind::CheckList ? m.checkRow : m.listRow;
                if (row == 0) row = MeasureRow(*list);
                m.listFrame = std::max(m.listFrame, gtk::ListFrame(*list));
            } else if (c.kind == ControlKind::DropDownList && m.dropDownHeight == 0) {
                m.dropDownHeight = w->GetBestSize().y;
            }
        }
        m_unitRow = m.unitRow;
        m_listFrame = m.listFrame;
        wxSize client = ConvertDialogToPixels(wxSize(m_tmpl.cx, m_tmpl.cy));
        DialogPlacement place = PlaceControls(m_tmpl, px, client.y, m);
        for (std::size_t i = 0; i < m_windows.size() && i < place.rects.size(); ++i) {
            const Rect& r = place.rects[i];
            if (m_windows[i]) m_windows[i]->SetSize(r.left, r.top, r.Width(), r.Height());
        }
        SetClientSize(client.x, place.clientHeight);
    }

    // The row height a list will draw, measured on a stand-in item before any code fills it.
    static int MeasureRow(wxListBox& list) {
        bool empty = list.GetCount() == 0;
        if (empty) list.Append("Ag");
        std::optional<int> row = gtk::PredictRowHeight(list);
        if (empty) list.Clear();
        return row.value_or(0);
    }

    // Once shown, rows are real: a list whose rows came out taller than predicted is cut to
    // whole rows again.
    void OnShown(wxShowEvent& e) {
        e.Skip();
        if (!e.IsShown() || m_shownOnce) return;
        m_shownOnce = true;
        for (wxWindow* w : m_windows) {
            auto* list = dynamic_cast<wxListBox*>(w);
            if (!list) continue;
            std::optional<gtk::ShownRows> rows = gtk::MeasureShownRows(*list);
            if (!rows || !rows->cut || rows->wholeRows < 1) continue;
            wxSize size = list->GetSize();
            list->SetSize(size.x, size.y - rows->visibleHeight % rows->rowHeight);
        }
        if (const char* report = std::getenv("TAVIMET_LAYOUT_REPORT")) {
            m_reportPath = report;
            m_reportTimer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { WriteLayoutReport(); });
            m_reportTimer.StartOnce(500);
        }
    }

    // For the end-to-end tests: what each list shows, as the toolkit measures it.
    void WriteLayoutReport() {
        std::ofstream out(m_reportPath, std::ios::trunc);
        for (std::size_t i = 0; i < m_windows.size() && i < m_tmpl.controls.size(); ++i) {
            auto* list = dynamic_cast<wxListBox*>(m_windows[i]);
            if (!list) continue;
            std::optional<gtk::ShownRows> rows = gtk::MeasureShownRows(*list);
            const ControlTemplate& c = m_tmpl.controls[i];
            int held = RowsHeld(ConvertDialogToPixels(wxSize(0, c.cy)).y, m_unitRow, m_listFrame);
            out << "list " << c.id << " templateRows " << held << " items " << list->GetCount();
            if (rows)
                out << " rowHeight " << rows->rowHeight << " visibleHeight " << rows->visibleHeight
                    << " wholeRows " << rows->wholeRows << " cut " << (rows->cut ? 1 : 0);
            out << "\n";
        }
        for (std::size_t i = 0; i < m_windows.size() && i < m_tmpl.controls.size(); ++i) {
            auto* edit = dynamic_cast<wxTextCtrl*>(m_windows[i]);
            if (!edit) continue;
            // Room for the widest value a field may hold.
            int need = edit->GetTextExtent("-32768").x;
            out << "edit " << m_tmpl.controls[i].id << " room " << gtk::EntryTextRoom(*edit)
                << " needs " << need << "\n";
        }
        out << "client " << GetClientSize().x << " " << GetClientSize().y << "\n";
    }

    void OnPaintEvent(wxPaintEvent&) {
        wxPaintDC dc(this);
        CWxPaint paint(dc, wxPoint(0, 0), &m_icon, GetContentScaleFactor());
        m_protocol.Paint(paint);
    }

    void OnCharHook(wxKeyEvent& e) {
        if (e.GetKeyCode() == WXK_ESCAPE) {
            // Esc is Cancel; the focus stays where it is.
            m_protocol.Command(kIdCancel, Notify::Clicked);
            return;
        }
        bool enter = e.GetKeyCode() == WXK_RETURN || e.GetKeyCode() == WXK_NUMPAD_ENTER;
        // A focused button takes Enter itself; elsewhere it presses the default button, and the
        // focus stays where it is.
        if (enter && !e.HasAnyModifiers() && !dynamic_cast<wxButton*>(FindFocus())) {
            if (int id = m_protocol.EnterTarget(0); id != 0) {
                m_protocol.Command(id, Notify::Clicked);
                return;
            }
        }
        e.Skip();
    }

    const DialogTemplate& m_tmpl;
    CDialogProtocol m_protocol;
    std::map<int, std::unique_ptr<CWxControl>> m_byId;
    std::vector<wxWindow*> m_windows; // one per template control, in template order
    wxIcon m_icon;
    bool m_shownOnce = false;
    int m_unitRow = 0;
    int m_listFrame = 0;
    std::string m_reportPath;
    wxTimer m_reportTimer;
};

std::string CWxControl::GetText() const {
    if (auto* t = dynamic_cast<wxTextCtrl*>(m_win)) return FromWx(t->GetValue());
    if (auto* c = dynamic_cast<wxChoice*>(m_win)) return FromWx(c->GetStringSelection());
    return FromWx(m_win->GetLabel());
}

void CWxControl::SetText(const std::string& text) {
    if (auto* t = dynamic_cast<wxTextCtrl*>(m_win)) {
        if (FromWx(t->GetValue()) == text) return;
        m_owner.Protocol().Quietly(m_id, [&] { t->ChangeValue(ToWx(text)); });
        m_owner.Protocol().TextSetFromCode(m_id);
        return;
    }
    if (dynamic_cast<wxItemContainer*>(m_win)) return;
    m_win->SetLabel(ToWx(text));
}

// Changes made by code: whatever the toolkit reports while they happen is not the user's.
void CWxControl::ResetContent() {
    auto* c = dynamic_cast<wxItemContainer*>(m_win);
    if (c) m_owner.Protocol().Quietly(m_id, [&] { c->Clear(); });
}

int CWxControl::InsertString(int index, const std::string& text) {
    auto* c = dynamic_cast<wxItemContainer*>(m_win);
    if (!c) return -1;
    int count = static_cast<int>(c->GetCount());
    if (index < 0 || index > count) index = count;
    int at = -1;
    m_owner.Protocol().Quietly(m_id,
                               [&] { at = c->Insert(ToWx(text), static_cast<unsigned>(index)); });
    return at;
}

int CWxControl::SetCurSel(int index) {
    auto* c = dynamic_cast<wxItemContainer*>(m_win);
    if (!c) return -1;
    const bool inRange = index >= 0 && index < GetCount();
    m_owner.Protocol().Quietly(m_id, [&] { c->SetSelection(inRange ? index : wxNOT_FOUND); });
    return inRange ? index : -1;
}

void CWxControl::SetCheck(int index, bool checked) {
    auto* c = dynamic_cast<wxCheckListBox*>(m_win);
    if (!c || index < 0 || index >= GetCount()) return;
    m_owner.Protocol().Quietly(m_id, [&] { c->Check(static_cast<unsigned>(index), checked); });
}

void CWxControl::SetFocus() {
    // Moving the focus from code takes it from an edit too.
    m_owner.Protocol().FocusEntered(m_id);
    m_win->SetFocus();
}

class CWxUiSystem final : public IUiSystem {
public:
    void MessageBox(const std::string& text, MessageIcon icon) override {
        wxMessageDialog box(nullptr, ToWx(text), ToWx(ProgramName()),
                            wxOK | (icon == MessageIcon::Error ? wxICON_ERROR : wxICON_NONE));
        box.ShowModal();
    }
    int RunModal(const DialogTemplate& tmpl, const IconData* icon,
                 IDialogHandler& handler) override {
        auto* dlg = new CWxDialog(tmpl, handler);
        dlg->SetIconData(icon);
        int result = dlg->Run();
        // The handler goes away with the caller's scope; nothing may reach it afterwards.
        dlg->Detach();
        dlg->Destroy();
        // Let the toolkit delete the window now rather than at shutdown.
        wxTheApp->ProcessIdle();
        return result;
    }
};

class CTavimetApp : public wxApp {
public:
    // The program reads its own arguments; the toolkit's parser would reject them.
    bool OnInit() override { return true; }
};

} // namespace

int RunUiProgram(int argc, char** argv, const UiProgramBody& body) {
    // Without a display: one line, and the toolkit is not even started.
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (!(x11 && *x11) && !(wayland && *wayland)) {
        std::fprintf(stderr, "%s: cannot open a window: no display (DISPLAY is not set)\n",
                     ProgramName().c_str());
        return 1;
    }
    wxApp::SetInstance(new CTavimetApp());
    int wargc = argc;
    if (!wxEntryStart(wargc, argv)) {
        std::fprintf(stderr, "%s: cannot open a window: the display %s cannot be reached\n",
                     ProgramName().c_str(), x11 && *x11 ? x11 : wayland);
        // The toolkit's clean-up after a start without a display traps (SIGTRAP) once it has
        // printed its own warnings: the process ends here instead.
        std::fflush(stderr);
        std::_Exit(1);
    }
    int status = 1;
    if (wxTheApp->CallOnInit()) {
        std::vector<std::string> args;
        for (int i = 1; i < wargc; ++i)
            args.emplace_back(argv[i]);
        wxInitAllImageHandlers();
        CWxUiSystem system;
        status = body(system, args);
        wxTheApp->OnExit();
    }
    wxEntryCleanup();
    return status;
}

} // namespace ui
