// The in-memory dialog must behave like the original platform's dialogs, since the editor's
// logic is tested through it.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "platform/MemoryDialog.h"

namespace {

using ui::ControlKind;
using namespace ui::style;

constexpr std::array<ui::ControlTemplate, 8> kControls{{
    {1, ControlKind::DefPushButton, "OK", 100, 5, 40, 14, kTabStop},
    {2, ControlKind::PushButton, "Cancel", 100, 25, 40, 14, kTabStop},
    {-1, ControlKind::GroupBox, "Group", 2, 2, 90, 90, 0},
    {-1, ControlKind::Label, "Name:", 5, 10, 20, 8, 0},
    {10, ControlKind::Edit, "", 30, 8, 50, 14, kTabStop},
    {11, ControlKind::ListBox, "", 5, 30, 50, 40, kTabStop},
    {12, ControlKind::DropDownList, "", 5, 75, 50, 80, kTabStop},
    {13, ControlKind::StaticFrame, "", 60, 30, 30, 30, 0},
}};
constexpr std::array<const char*, 3> kItems{"one", "two", "three"};
constexpr std::array<ui::ControlInitData, 1> kInit{{{12, kItems}}};
const ui::DialogTemplate kTmpl{50, "Test", "Sans", 8, 150, 100, 0, 0, kControls, kInit};

// Records every notification in order and can be told to end or act during one.
struct Recorder : ui::IDialogHandler {
    ui::IDialog* dlg = nullptr;
    std::vector<std::string> log;
    bool endInInit = false;
    bool handleCancel = false;
    bool OnInitDialog(ui::IDialog& d) override {
        dlg = &d;
        d.Control(10)->SetText("start"); // sends a change like typing does
        d.Control(11)->AddString("a");
        d.Control(11)->AddString("b");
        d.Control(11)->SetCurSel(1); // no notification
        if (endInInit) d.EndDialog(2);
        return true;
    }
    bool OnCommand(int id, ui::Notify code) override {
        static const char* names[] = {"click", "sel", "change", "kill", "toggle"};
        log.push_back(std::to_string(id) + ":" + names[static_cast<int>(code)]);
        if (id == 1 && code == ui::Notify::Clicked) {
            dlg->EndDialog(1);
            log.push_back("after-end");
            return true;
        }
        return id == 2 ? handleCancel : true;
    }
    void OnPaint(ui::IPaintContext&) override {}
};

TEST(MemoryDialog, NotificationsFollowThePlatformRules) {
    Recorder r;
    ui::CMemoryDialog d(kTmpl, r);
    d.Create();
    // Setting the text from code notified once; the list selection from code did not.
    EXPECT_EQ(r.log, (std::vector<std::string>{"10:change"}));
    EXPECT_EQ(d.Get(11).GetCurSel(), 1);
    r.log.clear();
    d.Get(10).SetText("start"); // same text: nothing changes, nothing is sent
    EXPECT_TRUE(r.log.empty());
    d.Get(12).SetCurSel(5); // out of range: nothing selected
    EXPECT_EQ(d.Get(12).GetCurSel(), -1);
    // The template filled the drop-down before any code ran.
    EXPECT_EQ(d.Get(12).Items(), (std::vector<std::string>{"one", "two", "three"}));

    d.Type(10, "hello");
    d.Select(11, 0);
    d.Select(11, 0); // the row already selected: no change
    EXPECT_EQ(r.log, (std::vector<std::string>{"10:change", "10:kill", "11:sel"}));
}

TEST(MemoryDialog, FocusLossComesBeforeTheClickAndEndIsDeferred) {
    Recorder r;
    ui::CMemoryDialog d(kTmpl, r);
    d.Create();
    d.Type(10, "x");
    r.log.clear();
    d.Click(1);
    // The edit hears of its focus loss first; the handler runs to its end after EndDialog.
    EXPECT_EQ(r.log, (std::vector<std::string>{"10:kill", "1:click", "after-end"}));
    EXPECT_TRUE(d.IsEnded());
    EXPECT_EQ(d.Result(), 1);
    d.Click(2); // a closed dialog ignores the user
    EXPECT_EQ(r.log.size(), 3u);
}

TEST(MemoryDialog, CancelAndEscapeEndWithTheCancelResultByDefault) {
    for (bool escape : {false, true}) {
        Recorder r;
        ui::CMemoryDialog d(kTmpl, r);
        d.Create();
        d.Type(10, "typed");
        r.log.clear();
        if (escape)
            d.PressEscape();
        else
            d.Click(2);
        EXPECT_TRUE(d.IsEnded());
        EXPECT_EQ(d.Result(), 2);
        // Either way the edit loses the focus before the dialog is gone.
        ASSERT_FALSE(r.log.empty());
        EXPECT_EQ(escape ? r.log.back() : r.log.front(), "10:kill");
    }
}

TEST(MemoryDialog, EndDuringInitialisationClosesBeforeTheUserActs) {
    Recorder r;
    r.endInInit = true;
    ui::CMemoryDialog d(kTmpl, r);
    d.Create();
    EXPECT_TRUE(d.IsEnded());
    EXPECT_EQ(d.Result(), 2);
    r.log.clear();
    d.Type(10, "late");
    EXPECT_TRUE(r.log.empty());
}

TEST(MemoryDialog, LayoutAndTabOrderComeFromTheTemplate) {
    Recorder r;
    ui::CMemoryDialog d(kTmpl, r);
    d.Create();
    // Labels, group boxes and the static frame take no focus.
    EXPECT_EQ(d.TabOrder(), (std::vector<int>{1, 2, 10, 11, 12}));
    EXPECT_EQ(d.FocusId(), 1);
    ui::Rect edit = d.Get(10).GetRect();
    EXPECT_EQ(edit.left, d.DialogUnitsToPixelsX(30));
    EXPECT_EQ(edit.bottom, d.DialogUnitsToPixelsY(8 + 14));
    // A drop-down's template height is that of its dropped list, not of the closed control.
    EXPECT_LT(d.Get(12).GetRect().Height(), d.DialogUnitsToPixelsY(80));
    EXPECT_EQ(d.GetClientRect().right, d.DialogUnitsToPixelsX(150));
}

TEST(MemoryDialog, ListsAndCheckListsKeepItems) {
    Recorder r;
    ui::CMemoryDialog d(kTmpl, r);
    d.Create();
    ui::CMemoryControl& l = d.Get(11);
    l.InsertString(0, "top");
    EXPECT_EQ(l.Items(), (std::vector<std::string>{"top", "a", "b"}));
    EXPECT_EQ(l.GetCurSel(), 2); // the selected item moved down with the insertion
    l.ResetContent();
    EXPECT_EQ(l.GetCount(), 0);
    EXPECT_EQ(l.GetCurSel(), -1);
}

TEST(ToolkitFilter, DropsTheTrailingBars) {
    EXPECT_EQ(ui::ToolkitFilter("IFF Files (*.iff)|*.iff||"), "IFF Files (*.iff)|*.iff");
}

} // namespace
