// The user-interface layer: dialog templates as data, an abstract dialog with its controls, and the
// notifications the dialog logic receives. Two implementations stand behind it: an in-memory one
// (MemoryDialog.h) for tests and the window system's one (WxDialog.h on Linux, Win32Dialog.cpp on
// Windows) for the real window; all leave
// the rules of when the handler hears what to one driver (DialogProtocol.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace ui {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

enum class ControlKind {
    DefPushButton,
    PushButton,
    GroupBox,
    Label,
    ListBox,
    Edit,
    DropDownList,
    CheckList,
    StaticFrame
};

// Style bits with the values the template format uses, kept so the template reads like one.
namespace style {
inline constexpr std::uint32_t kVisible = 0x10000000;
inline constexpr std::uint32_t kChild = 0x40000000;
inline constexpr std::uint32_t kTabStop = 0x00010000;
inline constexpr std::uint32_t kGroup = 0x00020000;
inline constexpr std::uint32_t kVScroll = 0x00200000;
inline constexpr std::uint32_t kBorder = 0x00800000;
inline constexpr std::uint32_t kLbsNotify = 0x0001;
inline constexpr std::uint32_t kLbsOwnerDrawFixed = 0x0010;
inline constexpr std::uint32_t kLbsHasStrings = 0x0040;
inline constexpr std::uint32_t kLbsNoIntegralHeight = 0x0100;
inline constexpr std::uint32_t kCbsDropDownList = 0x0003;
inline constexpr std::uint32_t kEsAutoHScroll = 0x0080;
inline constexpr std::uint32_t kSsSimple = 0x000B;
inline constexpr std::uint32_t kSsNotify = 0x0100;
inline constexpr std::uint32_t kBsDefPushButton = 0x0001;
inline constexpr std::uint32_t kBsGroupBox = 0x0007;
} // namespace style

inline constexpr int kIdStatic = -1;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// One control of a dialog template; position and size in dialog units.
struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* text;
    int x, y, cx, cy;
    std::uint32_t style;
};

// Items a list or drop-down receives from the template itself, before any code runs.
struct ControlInitData {
    int id;
    std::span<const char* const> items;
};

// A 32x32 (or other size) icon as XPM rows.
struct IconData {
    int width;
    int height;
    std::span<const char* const> xpm;
    int resourceId = 0; // the same picture compiled into the program, where the platform does so
};

struct DialogTemplate {
    int resourceId;
    const char* caption;
    const char* fontName;
    int pointSize;
    int cx, cy; // client area, dialog units
    std::uint32_t style;
    std::uint32_t exStyle;
    std::span<const ControlTemplate> controls; // in tab order
    std::span<const ControlInitData> initData;
};

inline bool TakesFocus(const ControlTemplate& c) {
    return c.kind != ControlKind::GroupBox && c.kind != ControlKind::Label &&
           c.kind != ControlKind::StaticFrame && (c.style & style::kTabStop) != 0;
}

enum class Notify {
    Clicked,      // push button pressed
    SelChange,    // list or drop-down: the user changed the selection
    Change,       // edit: text changed (also when set from code and different)
    KillFocus,    // edit lost the keyboard focus
    CheckToggled, // check list: the user toggled a box (no twin on the original platform)
};

enum class MessageIcon { None, Error };

// One control. Operations that do not apply to a control's kind do nothing and return empty values.
// Every text (window text, list items) is Unicode in UTF-8.
class IControl {
public:
    virtual ~IControl() = default;
    virtual int Id() const = 0;
    virtual ControlKind Kind() const = 0;

    // Window text. Setting an edit's text to a different text sends Notify::Change.
    virtual std::string GetText() const = 0;
    virtual void SetText(const std::string& text) = 0;
    virtual void SetCaretToEnd() = 0;

    virtual void Enable(bool enable) = 0;
    virtual bool IsEnabled() const = 0;
    virtual void Show(bool show) = 0;
    virtual bool IsVisible() const = 0;
    // Pixels, in the dialog's client coordinates.
    virtual Rect GetRect() const = 0;
    virtual void SetRect(const Rect& r) = 0;
    virtual void Refresh() = 0;
    virtual void SetFocus() = 0;

    // Lists and drop-downs. Changing the items or the selection from code sends nothing.
    virtual void ResetContent() = 0;
    virtual int AddString(const std::string& text) = 0;               // index of the new item
    virtual int InsertString(int index, const std::string& text) = 0; // -1 appends
    virtual int GetCount() const = 0;
    virtual std::string GetItemText(int index) const = 0;
    virtual int GetCurSel() const = 0; // -1 when nothing is selected
    // Selects index; an index outside the items selects nothing and returns -1.
    virtual int SetCurSel(int index) = 0;

    // Check list.
    virtual bool GetCheck(int index) const = 0;
    virtual void SetCheck(int index, bool checked) = 0;
};

// Drawing during a paint request, in the dialog's client coordinates.
class IPaintContext {
public:
    virtual ~IPaintContext() = default;
    // rows: bottom-up, 3 bytes per pixel in blue, green, red order, stride bytes per row.
    virtual void DrawBgr24(int x, int y, int width, int height, const std::uint8_t* rows,
                           std::size_t stride) = 0;
    virtual void DrawIcon(int x, int y) = 0;
};

struct Colour {
    std::uint8_t red = 0, green = 0, blue = 0;
};

// The running dialog as its logic sees it.
class IDialog {
public:
    virtual ~IDialog() = default;
    virtual IControl* Control(int id) = 0; // nullptr when the template has no such id
    // Marks the dialog as ended; it closes once the notification being handled has returned.
    virtual void EndDialog(int result) = 0;
    virtual void MessageBox(const std::string& text, MessageIcon icon) = 0;
    // The short warning sound of a refused keystroke; the focus stays where it is.
    virtual void Beep() = 0;
    // Win32-style filter ("Desc|*.ext||"); nullopt when the user cancels.
    virtual std::optional<std::string> AskOpenFile(const std::string& filter) = 0;
    // The window's outer rectangle, expressed in its own client coordinates.
    virtual Rect GetWindowRect() const = 0;
    virtual void SetWindowRect(const Rect& r) = 0;
    virtual Rect GetClientRect() const = 0;
    virtual bool IsMinimized() const = 0;
    virtual void SetIcon(const IconData& icon) = 0;
    virtual void RemoveSystemMenu() = 0;
    virtual Colour ButtonFaceColour() const = 0;
    virtual void Invalidate() = 0;
};

// What the dialog's logic implements.
class IDialogHandler {
public:
    virtual ~IDialogHandler() = default;
    // Called once the window and controls exist. Returns false when it set the focus itself.
    virtual bool OnInitDialog(IDialog& dialog) = 0;
    // Returns false to leave the notification to the default handling (Cancel ends the dialog).
    virtual bool OnCommand(int id, Notify code) = 0;
    virtual void OnPaint(IPaintContext& paint) = 0;
};

// Services available before any window exists.
class IUiSystem {
public:
    virtual ~IUiSystem() = default;
    virtual void MessageBox(const std::string& text, MessageIcon icon) = 0;
    // Builds the dialog from the template, runs it modally, returns the result it ended with.
    virtual int RunModal(const DialogTemplate& tmpl, const IconData* icon,
                         IDialogHandler& handler) = 0;
};

// The caption of every message box: the executable's base name.
std::string ProgramName();

// Converts "Desc|*.ext||" into "Desc|*.ext" (the toolkit form, without the trailing bars).
std::string ToolkitFilter(const std::string& win32Filter);

} // namespace ui
