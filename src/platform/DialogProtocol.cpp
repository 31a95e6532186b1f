#include "platform/DialogProtocol.h"

#include <utility>

namespace ui {

CDialogProtocol::CDialogProtocol(const DialogTemplate& tmpl, IDialogHandler& handler, CloseFn close)
    : m_tmpl(tmpl), m_handler(handler), m_close(std::move(close)) {}

const ControlTemplate* CDialogProtocol::Find(int id) const {
    if (id == 0 || id == kIdStatic) return nullptr;
    for (const auto& c : m_tmpl.controls)
        if (c.id == id) return &c;
    return nullptr;
}

bool CDialogProtocol::IsEdit(int id) const {
    const ControlTemplate* c = Find(id);
    return c && c->kind == ControlKind::Edit;
}

void CDialogProtocol::AddInitialItems(IDialog& dialog) {
    for (const auto& init : m_tmpl.initData) {
        IControl* list = dialog.Control(init.id);
        if (!list) continue;
        Quietly(init.id, [&] {
            for (const char* item : init.items)
                list->AddString(item);
        });
    }
}

int CDialogProtocol::Initialise(IDialog& dialog) {
    if (m_started) return 0;
    m_started = true;
    ++m_depth;
    const bool defaultFocus = m_handler.OnInitDialog(dialog);
    --m_depth;
    // An end requested here closes the dialog before the user can act.
    FinishEnd();
    if (!IsRunning() || !defaultFocus) return 0;
    for (const auto& c : m_tmpl.controls) {
        if (!TakesFocus(c)) continue;
        FocusEntered(c.id);
        return IsRunning() ? c.id : 0;
    }
    return 0;
}

void CDialogProtocol::FocusEntered(int id) {
    if (!IsRunning() || id == m_focus) return;
    const int old = m_focus;
    m_focus = id;
    if (!IsEdit(old)) return;
    Dispatch(old, Notify::KillFocus);
    FinishEnd();
}

void CDialogProtocol::FocusLeft(int id) {
    if (!IsRunning() || id != m_focus) return;
    m_focus = 0;
    if (!IsEdit(id)) return;
    Dispatch(id, Notify::KillFocus);
    FinishEnd();
}

void CDialogProtocol::PointerCommand(int id, Notify code) {
    if (!IsRunning() || id == m_quietId) return;
    // The edit that loses the focus is heard first, as an event of its own: an end it requests
    // closes the dialog before the click is seen.
    FocusEntered(id);
    Command(id, code);
}

void CDialogProtocol::Command(int id, Notify code) {
    if (!IsRunning() || id == m_quietId) return;
    Dispatch(id, code);
    FinishEnd();
}

void CDialogProtocol::TextSetFromCode(int id) {
    if (!IsRunning() || !IsEdit(id)) return;
    Dispatch(id, Notify::Change);
    FinishEnd();
}

void CDialogProtocol::EndDialog(int result) {
    if (m_closed) return;
    m_endRequested = true;
    m_result = result;
    FinishEnd();
}

void CDialogProtocol::Paint(IPaintContext& paint) {
    if (!IsRunning()) return;
    ++m_depth;
    m_handler.OnPaint(paint);
    --m_depth;
    FinishEnd();
}

int CDialogProtocol::EnterTarget(int focused) const {
    const ControlTemplate* f = Find(focused);
    if (f && (f->kind == ControlKind::PushButton || f->kind == ControlKind::DefPushButton))
        return f->id;
    for (const auto& c : m_tmpl.controls)
        if (c.kind == ControlKind::DefPushButton) return c.id;
    return 0;
}

void CDialogProtocol::Dispatch(int id, Notify code) {
    ++m_depth;
    const bool handled = m_handler.OnCommand(id, code);
    if (!handled && code == Notify::Clicked && (id == kIdOk || id == kIdCancel)) EndDialog(id);
    --m_depth;
}

void CDialogProtocol::FinishEnd() {
    if (!m_started || !m_endRequested || m_closed || m_depth != 0) return;
    // The edit holding the focus hears of its loss while the dialog is still open, so a save
    // that leaving it triggers happens before the dialog closes.
    const int focus = m_focus;
    m_focus = 0;
    if (IsEdit(focus)) {
        Dispatch(focus, Notify::KillFocus);
    }
    m_closed = true;
    if (m_close) m_close(m_result);
}

} // namespace ui
