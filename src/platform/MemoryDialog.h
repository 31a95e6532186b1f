// A dialog without a display: controls keep their text, items, selection, check marks, enabled
// state and rectangles, and send the same notifications as the real window, so the dialog logic
// can be driven and inspected by tests.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/DialogProtocol.h"
#include "platform/DialogUi.h"

namespace ui {

class CMemoryDialog;

class CMemoryControl final : public IControl {
public:
    CMemoryControl(CMemoryDialog& owner, const ControlTemplate& tmpl, Rect rect);

    int Id() const override { return m_id; }
    ControlKind Kind() const override { return m_kind; }
    std::string GetText() const override { return m_text; }
    void SetText(const std::string& text) override;
    void SetCaretToEnd() override { m_caret = static_cast<int>(m_text.size()); }
    void Enable(bool enable) override { m_enabled = enable; }
    bool IsEnabled() const override { return m_enabled; }
    void Show(bool show) override { m_visible = show; }
    bool IsVisible() const override { return m_visible; }
    Rect GetRect() const override { return m_rect; }
    void SetRect(const Rect& r) override { m_rect = r; }
    void Refresh() override { ++m_refreshes; }
    void SetFocus() override;
    void ResetContent() override;
    int AddString(const std::string& text) override;
    int InsertString(int index, const std::string& text) override;
    int GetCount() const override { return static_cast<int>(m_items.size()); }
    std::string GetItemText(int index) const override;
    int GetCurSel() const override { return m_sel; }
    int SetCurSel(int index) override;
    bool GetCheck(int index) const override;
    void SetCheck(int index, bool checked) override;

    int Caret() const { return m_caret; }
    int Refreshes() const { return m_refreshes; }
    std::vector<std::string> Items() const;
    // Changes the text without any notification (used by the simulated keyboard).
    void SetTextSilently(const std::string& text) { m_text = text; }

private:
    bool IsList() const;

    CMemoryDialog& m_owner;
    int m_id;
    ControlKind m_kind;
    std::string m_text;
    int m_caret = 0;
    bool m_enabled = true;
    bool m_visible = true;
    Rect m_rect;
    int m_refreshes = 0;
    struct Item {
        std::string text;
        bool checked = false;
    };
    std::vector<Item> m_items;
    int m_sel = -1;
};

class CMemoryDialog final : public IDialog {
public:
    CMemoryDialog(const DialogTemplate& tmpl, IDialogHandler& handler,
                  const IconData* icon = nullptr);
    ~CMemoryDialog() override;

    // Builds the controls, fills the template's items and runs the handler's initialisation.
    // An end requested during initialisation closes the dialog at once.
    void Create();
    bool IsEnded() const { return m_protocol.IsClosed(); }
    int Result() const { return m_protocol.Result(); }

    // What a user can do. Moving the focus is an event of its own, heard before the rest of the
    // action; an end requested by either closes the dialog once its handler has returned.
    // Actions on a closed dialog are ignored.
    void Click(int id);                         // focus moves to the button, then it is pressed
    void Type(int id, const std::string& text); // focus moves to the edit, its text is replaced
    void Select(int id, int index);             // focus moves to the list, the row is selected
    void ToggleCheck(int id, int index);        // focus to the check list, the box flips
    void Focus(int id);
    void PressEscape(); // Cancel, without moving the focus
    void PressEnter();  // the focused push button, else the default one
    void Paint(IPaintContext& paint);

    CMemoryControl& Get(int id);
    int FocusId() const { return m_protocol.FocusId(); }
    std::vector<int> TabOrder() const;
    const std::vector<std::pair<std::string, MessageIcon>>& Messages() const { return m_messages; }
    void ClearMessages() { m_messages.clear(); }
    int Beeps() const { return m_beeps; }
    void SetOpenFileAnswer(std::optional<std::string> answer) { m_openAnswer = std::move(answer); }
    const std::vector<std::string>& OpenFileFilters() const { return m_openFilters; }
    bool IconSet() const { return m_iconSet; }
    bool HasSystemMenu() const { return m_systemMenu; }
    int DialogUnitsToPixelsX(int du) const;
    int DialogUnitsToPixelsY(int du) const;
    void SetMinimized(bool minimized) { m_minimized = minimized; }
    void SetButtonFace(Colour c) { m_buttonFace = c; }
    const std::vector<Rect>& WindowRects() const { return m_windowRects; }

    // IDialog
    IControl* Control(int id) override;
    void EndDialog(int result) override { m_protocol.EndDialog(result); }
    void MessageBox(const std::string& text, MessageIcon icon) override;
    void Beep() override { ++m_beeps; }
    std::optional<std::string> AskOpenFile(const std::string& filter) override;
    Rect GetWindowRect() const override;
    void SetWindowRect(const Rect& r) override;
    Rect GetClientRect() const override;
    bool IsMinimized() const override { return m_minimized; }
    void SetIcon(const IconData& icon) override;
    void RemoveSystemMenu() override { m_systemMenu = false; }
    Colour ButtonFaceColour() const override { return m_buttonFace; }
    void Invalidate() override {}

    // Used by the controls.
    CDialogProtocol& Protocol() { return m_protocol; }

private:
    // The enabled control id of a running dialog, else nullptr: what the user can act on.
    CMemoryControl* Usable(int id);

    const DialogTemplate& m_tmpl;
    const IconData* m_icon;
    std::vector<std::unique_ptr<CMemoryControl>> m_controls; // template order
    std::map<int, CMemoryControl*> m_byId;
    CDialogProtocol m_protocol;
    bool m_created = false;
    std::vector<std::pair<std::string, MessageIcon>> m_messages;
    int m_beeps = 0;
    std::optional<std::string> m_openAnswer;
    std::vector<std::string> m_openFilters;
    bool m_iconSet = false;
    bool m_systemMenu = true;
    bool m_minimized = false;
    Colour m_buttonFace{0xC0, 0xC0, 0xC0};
    Rect m_client;
    Rect m_window;
    std::vector<Rect> m_windowRects;
};

// IUiSystem without a display. Each RunModal builds a CMemoryDialog and hands it to the script,
// which plays the user; the dialog's result is returned.
class CMemoryUiSystem final : public IUiSystem {
public:
    using Script = std::function<void(CMemoryDialog&)>;
    void SetScript(Script script) { m_script = std::move(script); }
    void MessageBox(const std::string& text, MessageIcon icon) override;
    int RunModal(const DialogTemplate& tmpl, const IconData* icon,
                 IDialogHandler& handler) override;
    const std::vector<std::pair<std::string, MessageIcon>>& Messages() const { return m_messages; }
    int DialogsRun() const { return m_runs; }

private:
    Script m_script;
    std::vector<std::pair<std::string, MessageIcon>> m_messages;
    int m_runs = 0;
};

} // namespace ui
