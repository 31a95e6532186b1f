#include "platform/MemoryDialog.h"

#include <stdexcept>

namespace ui {

namespace {

// A stand-in font: average character 6 pixels wide, 13 pixels high.
constexpr int kCharWidth = 6;
constexpr int kCharHeight = 13;
// Frame and caption around the client area.
constexpr Rect kFrame{-3, -22, 3, 3};

int MulDivRound(int a, int b, int c) {
    long long p = static_cast<long long>(a) * b;
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}

} // namespace

// ---------------------------------------------------------------- CMemoryControl

CMemoryControl::CMemoryControl(CMemoryDialog& owner, const ControlTemplate& tmpl, Rect rect)
    : m_owner(owner), m_id(tmpl.id), m_kind(tmpl.kind), m_text(tmpl.text ? tmpl.text : ""),
      m_rect(rect) {}

bool CMemoryControl::IsList() const {
    return m_kind == ControlKind::ListBox || m_kind == ControlKind::DropDownList ||
           m_kind == ControlKind::CheckList;
}

void CMemoryControl::SetText(const std::string& text) {
    if (IsList()) return;
    bool changed = text != m_text;
    m_text = text;
    m_caret = 0;
    if (changed && m_kind == ControlKind::Edit) m_owner.Protocol().TextSetFromCode(m_id);
}

void CMemoryControl::SetFocus() {
    m_owner.Protocol().FocusEntered(m_id);
}

void CMemoryControl::ResetContent() {
    if (!IsList()) return;
    m_items.clear();
    m_sel = -1;
    if (m_kind == ControlKind::DropDownList) m_text.clear();
}

int CMemoryControl::AddString(const std::string& text) {
    return InsertString(-1, text);
}

int CMemoryControl::InsertString(int index, const std::string& text) {
    if (!IsList()) return -1;
    if (index < 0 || index > GetCount()) index = GetCount();
    m_items.insert(m_items.begin() + index, Item{text, false});
    if (m_sel >= index) ++m_sel;
    return index;
}

std::string CMemoryControl::GetItemText(int index) const {
    if (index < 0 || index >= GetCount()) return {};
    return m_items[static_cast<std::size_t>(index)].text;
}

int CMemoryControl::SetCurSel(int index) {
    if (!IsList()) return -1;
    if (index < 0 || index >= GetCount()) {
        m_sel = -1;
        if (m_kind == ControlKind::DropDownList) m_text.clear();
        return -1;
    }
    m_sel = index;
    if (m_kind == ControlKind::DropDownList) m_text = m_items[static_cast<std::size_t>(index)].text;
    return index;
}

bool CMemoryControl::GetCheck(int index) const {
    if (m_kind != ControlKind::CheckList || index < 0 || index >= GetCount()) return false;
    return m_items[static_cast<std::size_t>(index)].checked;
}

void CMemoryControl::SetCheck(int index, bool checked) {
    if (m_kind != ControlKind::CheckList || index < 0 || index >= GetCount()) return;
    m_items[static_cast<std::size_t>(index)].checked = checked;
}

std::vector<std::string> CMemoryControl::Items() const {
    std::vector<std::string> out;
    for (const auto& i : m_items)
        out.push_back(i.text);
    return out;
}

// ---------------------------------------------------------------- CMemoryDialog

CMemoryDialog::CMemoryDialog(const DialogTemplate& tmpl, IDialogHandler& handler,
                             const IconData* icon)
    : m_tmpl(tmpl), m_icon(icon), m_protocol(tmpl, handler, nullptr) {}

CMemoryDialog::~CMemoryDialog() = default;

int CMemoryDialog::DialogUnitsToPixelsX(int du) const {
    return MulDivRound(du, kCharWidth, 4);
}
int CMemoryDialog::DialogUnitsToPixelsY(int du) const {
    return MulDivRound(du, kCharHeight, 8);
}

void CMemoryDialog::Create() {
    if (m_created) return;
    m_created = true;
    m_client = Rect{0, 0, DialogUnitsToPixelsX(m_tmpl.cx), DialogUnitsToPixelsY(m_tmpl.cy)};
    m_window = Rect{kFrame.left, kFrame.top, m_client.right + kFrame.right,
                    m_client.bottom + kFrame.bottom};
    for (const auto& c : m_tmpl.controls) {
        Rect r{DialogUnitsToPixelsX(c.x), DialogUnitsToPixelsY(c.y),
               DialogUnitsToPixelsX(c.x + c.cx), DialogUnitsToPixelsY(c.y + c.cy)};
        if (c.kind == ControlKind::DropDownList) r.bottom = r.top + DialogUnitsToPixelsY(12);
        auto ctl = std::make_unique<CMemoryControl>(*this, c, r);
        if (c.id != kIdStatic) m_byId[c.id] = ctl.get();
        m_controls.push_back(std::move(ctl));
    }
    m_protocol.AddInitialItems(*this);
    m_protocol.Initialise(*this);
}

CMemoryControl* CMemoryDialog::Usable(int id) {
    if (!m_protocol.IsRunning()) return nullptr;
    CMemoryControl& c = Get(id);
    return c.IsEnabled() ? &c : nullptr;
}

void CMemoryDialog::Click(int id) {
    if (Usable(id)) m_protocol.PointerCommand(id, Notify::Clicked);
}

void CMemoryDialog::Type(int id, const std::string& text) {
    CMemoryControl* c = Usable(id);
    if (!c) return;
    m_protocol.FocusEntered(id);
    // Typing replaces the text; every keystroke that changes it is a change.
    if (!m_protocol.IsRunning() || c->GetText() == text) return;
    c->SetTextSilently(text);
    c->SetCaretToEnd();
    m_protocol.Command(id, Notify::Change);
}

void CMemoryDialog::Select(int id, int index) {
    CMemoryControl* c = Usable(id);
    if (!c) return;
    m_protocol.FocusEntered(id);
    if (!m_protocol.IsRunning()) return;
    const int before = c->GetCurSel();
    if (c->SetCurSel(index) < 0) return;
    // A click on the row already selected changes nothing.
    if (before != index) m_protocol.Command(id, Notify::SelChange);
}

void CMemoryDialog::ToggleCheck(int id, int index) {
    CMemoryControl* c = Usable(id);
    if (!c || index < 0 || index >= c->GetCount()) return;
    m_protocol.FocusEntered(id);
    if (!m_protocol.IsRunning()) return;
    c->SetCheck(index, !c->GetCheck(index));
    m_protocol.Command(id, Notify::CheckToggled);
}

void CMemoryDialog::Focus(int id) {
    if (m_protocol.IsRunning()) m_protocol.FocusEntered(id);
}

void CMemoryDialog::PressEscape() {
    m_protocol.Command(kIdCancel, Notify::Clicked);
}

void CMemoryDialog::PressEnter() {
    if (const int id = m_protocol.EnterTarget(m_protocol.FocusId()))
        m_protocol.Command(id, Notify::Clicked);
}

void CMemoryDialog::Paint(IPaintContext& paint) {
    m_protocol.Paint(paint);
}

CMemoryControl& CMemoryDialog::Get(int id) {
    auto it = m_byId.find(id);
    if (it == m_byId.end()) throw std::out_of_range("no control with id " + std::to_string(id));
    return *it->second;
}

std::vector<int> CMemoryDialog::TabOrder() const {
    std::vector<int> out;
    for (const auto& c : m_tmpl.controls)
        if (TakesFocus(c)) out.push_back(c.id);
    return out;
}

IControl* CMemoryDialog::Control(int id) {
    auto it = m_byId.find(id);
    return it == m_byId.end() ? nullptr : it->second;
}

void CMemoryDialog::MessageBox(const std::string& text, MessageIcon icon) {
    m_messages.emplace_back(text, icon);
}

std::optional<std::string> CMemoryDialog::AskOpenFile(const std::string& filter) {
    m_openFilters.push_back(filter);
    return m_openAnswer;
}

Rect CMemoryDialog::GetWindowRect() const {
    return m_window;
}

void CMemoryDialog::SetWindowRect(const Rect& r) {
    m_window = r;
    m_client = Rect{0, 0, r.right - kFrame.right, r.bottom - kFrame.bottom};
    m_windowRects.push_back(r);
}

Rect CMemoryDialog::GetClientRect() const {
    return m_client;
}

void CMemoryDialog::SetIcon(const IconData& icon) {
    (void)icon;
    m_iconSet = true;
}

// ---------------------------------------------------------------- CMemoryUiSystem

void CMemoryUiSystem::MessageBox(const std::string& text, MessageIcon icon) {
    m_messages.emplace_back(text, icon);
}

int CMemoryUiSystem::RunModal(const DialogTemplate& tmpl, const IconData* icon,
                              IDialogHandler& handler) {
    ++m_runs;
    CMemoryDialog dlg(tmpl, handler, icon);
    dlg.Create();
    if (!dlg.IsEnded() && m_script) m_script(dlg);
    if (!dlg.IsEnded()) dlg.PressEscape();
    for (const auto& m : dlg.Messages())
        m_messages.push_back(m);
    return dlg.Result();
}

} // namespace ui
