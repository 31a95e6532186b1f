// The rules every modal dialog follows, whatever toolkit draws it: when the handler is called,
// when an end takes effect, which edit hears of its focus loss and when, which notifications code
// causes. A toolkit implementation keeps one CDialogProtocol per running dialog and maps its
// widgets' events onto it; it never calls the handler itself.
//
// What the toolkit calls, and when:
//   1. Build the window and every control of the template, hidden. Events reported before step 3
//      are dropped.
//   2. AddInitialItems(dialog): the template's own list items, before any code runs.
//   3. Initialise(dialog): runs the handler's initialisation. Afterwards, IsClosed() means the
//      dialog ended during initialisation (close() was called): do not show it. Otherwise focus
//      the control whose id it returned (0: the handler placed the focus) and run the modal loop.
//   4. While it runs, report what the user does:
//      - FocusEntered(id) / FocusLeft(id) whenever the keyboard focus moves onto or away from a
//        control (at least onto and away from every edit), by the user or by code.
//      - PointerCommand(id, code) for a click, selection or check toggle made with the pointer
//        when the toolkit reports no focus move of its own before it; it moves the focus first.
//      - Command(id, code) for notifications that do not move the focus: typing (Change), keys
//        (Enter, Esc, the close box as Cancel), or any notification of a toolkit that reports
//        its focus moves itself (Win32: EN_KILLFOCUS then BN_CLICKED arrive as two messages).
//      Report events even while a handler runs (a message box it opens takes the focus): they
//      are handled nested, and an end waits until the outermost handler has returned. The
//      driver does the default handling of OK and Cancel itself (an unhandled click ends the
//      dialog with that id); the toolkit adds none of its own.
//   5. Inside the control mapping: run changes made by code through Quietly(id, ...) so the
//      toolkit's own notifications are dropped, then TextSetFromCode(id) when an edit's text
//      was set to a different text. Lists emptied, refilled or selected from code send nothing.
//   6. IDialog::EndDialog and paint requests go to EndDialog(result) and Paint(paint).
//   7. close(result) is called exactly once, when an end takes effect: end the modal loop there
//      (EndModal, ::EndDialog). Nothing reaches the handler afterwards. A window destroyed any
//      other way calls Abandon() first.
#pragma once

#include <functional>

#include "platform/DialogUi.h"

namespace ui {

class CDialogProtocol {
public:
    using CloseFn = std::function<void(int result)>;

    CDialogProtocol(const DialogTemplate& tmpl, IDialogHandler& handler, CloseFn close);

    void AddInitialItems(IDialog& dialog);
    // Returns the control the toolkit focuses: the first tab stop when the handler left the focus
    // to the default, else 0 (also when the dialog ended).
    int Initialise(IDialog& dialog);

    void FocusEntered(int id);
    void FocusLeft(int id);
    void PointerCommand(int id, Notify code);
    void Command(int id, Notify code);

    // Runs apply with the toolkit's notifications for control id dropped.
    template <class F> void Quietly(int id, F&& apply) {
        const int outer = m_quietId;
        m_quietId = id;
        apply();
        m_quietId = outer;
    }
    void TextSetFromCode(int id);

    void EndDialog(int result);
    void Paint(IPaintContext& paint);

    // The push button Enter presses: the focused control when it is one, else the default one;
    // 0 when none.
    int EnterTarget(int focused) const;
    // The window goes away without an end taking effect: nothing reaches the handler any more.
    void Abandon() { m_closed = true; }
    int FocusId() const { return m_focus; } // 0 when no control has the focus
    bool IsRunning() const { return m_started && !m_closed; }
    bool IsClosed() const { return m_closed; }
    bool InHandler() const { return m_depth > 0; }
    int Result() const { return m_result; } // 0 until an end was requested

private:
    const ControlTemplate* Find(int id) const;
    bool IsEdit(int id) const;
    void Dispatch(int id, Notify code);
    void FinishEnd();

    const DialogTemplate& m_tmpl;
    IDialogHandler& m_handler;
    CloseFn m_close;
    int m_depth = 0; // handler calls under way
    int m_focus = 0;
    int m_quietId = 0;
    bool m_started = false;
    bool m_endRequested = false;
    bool m_closed = false;
    int m_result = 0;
};

} // namespace ui
