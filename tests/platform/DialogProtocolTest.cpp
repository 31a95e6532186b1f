// The driver every dialog implementation runs on, driven the way a toolkit drives it: the order of
// focus loss, click and end, and which notifications code causes.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/DialogProtocol.h"

namespace {

using ui::ControlKind;
using ui::Notify;
using namespace ui::style;

constexpr int kEdit = 10;
constexpr int kOther = 11;
constexpr int kList = 12;
constexpr int kApply = 13;

constexpr std::array<ui::ControlTemplate, 6> kControls{{
    {-1, ControlKind::Label, "Name:", 5, 10, 20, 8, 0},
    {kEdit, ControlKind::Edit, "", 30, 8, 50, 14, kTabStop},
    {kOther, ControlKind::Edit, "", 30, 28, 50, 14, kTabStop},
    {kList, ControlKind::ListBox, "", 5, 50, 50, 40, kTabStop},
    {1, ControlKind::DefPushButton, "OK", 100, 5, 40, 14, kTabStop},
    {kApply, ControlKind::PushButton, "Apply", 100, 25, 40, 14, kTabStop},
}};
const ui::DialogTemplate kTmpl{50, "Test", "Sans", 8, 150, 100, 0, 0, kControls, {}};

// A window with no controls: the driver only hands it to the handler.
struct NoWindow : ui::IDialog {
    ui::IControl* Control(int) override { return nullptr; }
    void EndDialog(int) override {}
    void MessageBox(const std::string&, ui::MessageIcon) override {}
    void Beep() override {}
    std::optional<std::string> AskOpenFile(const std::string&) override { return {}; }
    ui::Rect GetWindowRect() const override { return {}; }
    void SetWindowRect(const ui::Rect&) override {}
    ui::Rect GetClientRect() const override { return {}; }
    bool IsMinimized() const override { return false; }
    void SetIcon(const ui::IconData&) override {}
    void RemoveSystemMenu() override {}
    ui::Colour ButtonFaceColour() const override { return {}; }
    void Invalidate() override {}
};

struct NoPaint : ui::IPaintContext {
    void DrawBgr24(int, int, int, int, const std::uint8_t*, std::size_t) override {}
    void DrawIcon(int, int) override {}
};

std::string Name(int id, Notify code) {
    static const char* names[] = {"click", "sel", "change", "kill", "toggle"};
    return std::to_string(id) + ":" + names[static_cast<int>(code)];
}

// Logs every call in order; a test attaches actions to a notification ("10:kill") or to init.
struct Script : ui::IDialogHandler {
    ui::CDialogProtocol* protocol = nullptr;
    std::vector<std::string> log;
    std::function<void()> onInit;
    bool initDefaultFocus = false;
    std::map<std::string, std::function<void()>> on;
    bool OnInitDialog(ui::IDialog&) override {
        log.push_back("init");
        if (onInit) onInit();
        return initDefaultFocus;
    }
    bool OnCommand(int id, Notify code) override {
        const std::string what = Name(id, code);
        log.push_back(what);
        auto it = on.find(what);
        if (it == on.end()) return id != ui::kIdOk && id != ui::kIdCancel; // default OK, Cancel
        it->second();
        return true;
    }
    void OnPaint(ui::IPaintContext&) override { log.push_back("paint"); }
};

using Log = std::vector<std::string>;

struct Harness {
    Script script;
    NoWindow window;
    int closes = 0;
    ui::CDialogProtocol protocol{kTmpl, script, [this](int result) {
                                     ++closes;
                                     script.log.push_back("closed:" + std::to_string(result));
                                 }};
    Harness() { script.protocol = &protocol; }
    // Starts the dialog with the focus in the edit, and an empty log.
    void StartInEdit() {
        protocol.Initialise(window);
        protocol.FocusEntered(kEdit);
        script.log.clear();
    }
};

TEST(DialogProtocol, FocusLossIsHeardBeforeAClickAndTheEndWaitsForTheHandler) {
    Harness h;
    h.StartInEdit();
    h.script.on["1:click"] = [&] {
        h.protocol.EndDialog(7);
        h.script.log.push_back(h.protocol.IsClosed() ? "closed-early" : "still-open");
    };
    h.protocol.PointerCommand(ui::kIdOk, Notify::Clicked);
    EXPECT_EQ(h.script.log, (Log{"10:kill", "1:click", "still-open", "closed:7"}));
    EXPECT_EQ(h.protocol.Result(), 7);
    // Closed: nothing reaches the handler, the close is not repeated.
    h.protocol.PointerCommand(kApply, Notify::Clicked);
    h.protocol.Command(kEdit, Notify::Change);
    h.protocol.EndDialog(2);
    EXPECT_EQ(h.script.log.size(), 4u);
    EXPECT_EQ(h.closes, 1);
    EXPECT_EQ(h.protocol.Result(), 7);
}

TEST(DialogProtocol, KeysDoNotMoveTheFocusSoTheEditHearsItsLossWhileTheDialogCloses) {
    for (int key : {ui::kIdOk, ui::kIdCancel}) {
        Harness h;
        h.StartInEdit();
        bool openDuringLoss = false;
        h.script.on["10:kill"] = [&] {
            // A save the loss triggers still sees a live dialog: its own changes are heard.
            openDuringLoss = h.protocol.IsRunning();
            h.protocol.TextSetFromCode(kOther);
        };
        const int target = key == ui::kIdOk ? h.protocol.EnterTarget(h.protocol.FocusId()) : key;
        h.protocol.Command(target, Notify::Clicked);
        const std::string k = std::to_string(key);
        EXPECT_EQ(h.script.log, (Log{k + ":click", "10:kill", "11:change", "closed:" + k}));
        EXPECT_TRUE(openDuringLoss);
    }
}

TEST(DialogProtocol, AnEndRequestedByTheFocusLossClosesBeforeTheClickIsSeen) {
    Harness h;
    h.StartInEdit();
    h.script.on["10:kill"] = [&] { h.protocol.EndDialog(ui::kIdCancel); };
    h.protocol.PointerCommand(kApply, Notify::Clicked);
    EXPECT_EQ(h.script.log, (Log{"10:kill", "closed:2"}));
}

TEST(DialogProtocol, AnEndDuringInitialisationClosesBeforeTheUserActs) {
    Harness h;
    h.script.initDefaultFocus = true;
    h.script.onInit = [&] {
        h.protocol.FocusEntered(kEdit);
        h.protocol.EndDialog(ui::kIdCancel);
        h.script.log.push_back(h.protocol.IsClosed() ? "closed-early" : "still-open");
    };
    EXPECT_EQ(h.protocol.Initialise(h.window), 0); // nothing to focus: the window is not shown
    EXPECT_TRUE(h.protocol.IsClosed());
    EXPECT_EQ(h.script.log, (Log{"init", "still-open", "10:kill", "closed:2"}));
    h.protocol.PointerCommand(ui::kIdOk, Notify::Clicked);
    NoPaint paint;
    h.protocol.Paint(paint);
    EXPECT_EQ(h.script.log.size(), 4u);
}

TEST(DialogProtocol, InitialisationDecidesTheFirstFocus) {
    Harness h;
    h.script.initDefaultFocus = true;
    h.script.onInit = [&] { h.protocol.FocusEntered(kApply); };
    // Left to the default, the focus goes to the first tab stop even when code moved it.
    EXPECT_EQ(h.protocol.Initialise(h.window), kEdit);
    EXPECT_EQ(h.protocol.FocusId(), kEdit);

    Harness own;
    own.script.onInit = [&] { own.protocol.FocusEntered(kList); };
    EXPECT_EQ(own.protocol.Initialise(own.window), 0);
    EXPECT_EQ(own.protocol.FocusId(), kList);
    EXPECT_EQ(own.protocol.Initialise(own.window), 0); // only once
    EXPECT_EQ(own.script.log, (Log{"init"}));
}

TEST(DialogProtocol, NotificationsFromCodeFollowTheRules) {
    Harness h;
    // Before initialisation the handler hears nothing.
    h.protocol.Command(kList, Notify::SelChange);
    h.protocol.TextSetFromCode(kEdit);
    EXPECT_TRUE(h.script.log.empty());
    h.protocol.Initialise(h.window);
    h.script.log.clear();

    h.script.on["13:click"] = [&] {
        // Inside a handler: an edit's text set from code is heard at once, nested; what the
        // toolkit reports while code changes a control is dropped; a text set on a list is not
        // an edit's change.
        h.protocol.TextSetFromCode(kEdit);
        h.protocol.Quietly(kList, [&] {
            h.protocol.Command(kList, Notify::SelChange);
            h.protocol.PointerCommand(kList, Notify::SelChange);
        });
        h.protocol.TextSetFromCode(kList);
        h.script.log.push_back("handler-done");
    };
    h.protocol.PointerCommand(kApply, Notify::Clicked);
    EXPECT_EQ(h.script.log, (Log{"13:click", "10:change", "handler-done"}));
    // Out of the quiet scope the user's selection is heard again.
    h.protocol.PointerCommand(kList, Notify::SelChange);
    EXPECT_EQ(h.script.log.back(), "12:sel");
}

TEST(DialogProtocol, AnEndRequestedInANestedNotificationWaitsForTheOuterHandler) {
    Harness h;
    h.StartInEdit();
    h.script.on["10:change"] = [&] { h.protocol.EndDialog(ui::kIdOk); };
    h.script.on["13:click"] = [&] {
        h.protocol.TextSetFromCode(kEdit);
        h.script.log.push_back(h.protocol.IsClosed() ? "closed-early" : "still-open");
        h.protocol.EndDialog(ui::kIdCancel); // a later request decides the result
    };
    h.protocol.PointerCommand(kApply, Notify::Clicked);
    EXPECT_EQ(h.script.log, (Log{"10:kill", "13:click", "10:change", "still-open", "closed:2"}));
}

TEST(DialogProtocol, TheFocusLossIsHeardOnceWhateverOrderTheToolkitReportsIn) {
    Harness h;
    h.StartInEdit();
    // Some toolkits report the new holder before the old one's loss.
    h.protocol.FocusEntered(kOther);
    h.protocol.FocusLeft(kEdit);
    // Leaving to another program is a loss too; coming back is not a notification.
    h.protocol.FocusLeft(kOther);
    h.protocol.FocusEntered(kOther);
    h.protocol.FocusEntered(kOther);
    // The edit loses it to the list; the list's own loss notifies nobody.
    h.protocol.FocusEntered(kList);
    h.protocol.FocusLeft(kList);
    EXPECT_EQ(h.script.log, (Log{"10:kill", "11:kill", "11:kill"}));
}

TEST(DialogProtocol, EnterPressesTheFocusedButtonElseTheDefaultOne) {
    Harness h;
    h.protocol.Initialise(h.window);
    EXPECT_EQ(h.protocol.EnterTarget(kEdit), ui::kIdOk);
    EXPECT_EQ(h.protocol.EnterTarget(kApply), kApply);
    EXPECT_EQ(h.protocol.EnterTarget(0), ui::kIdOk);
    // Without a default button Enter presses nothing.
    const ui::DialogTemplate bare{
        51, "Bare", "Sans", 8, 10, 10, 0, 0, std::span(kControls).first(4), {}};
    Script s;
    ui::CDialogProtocol p(bare, s, nullptr);
    EXPECT_EQ(p.EnterTarget(kEdit), 0);
}

} // namespace
