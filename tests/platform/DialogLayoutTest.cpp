// Placing a template on a toolkit with taller rows: every list keeps the rows its template height
// holds, shows whole rows only, and labels stay on the line of the control they name.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "platform/DialogLayout.h"

namespace {

using ui::ControlKind;
using ui::ControlTemplate;
using ui::Rect;

constexpr std::array<ControlTemplate, 8> kControls{{
    {ui::kIdStatic, ControlKind::GroupBox, "Data", 7, 7, 207, 257, 0},
    {ui::kIdStatic, ControlKind::Label, "Attenuation Value:", 14, 55, 59, 8, 0},
    {10, ControlKind::DropDownList, "", 77, 54, 84, 65, 0},
    {ui::kIdStatic, ControlKind::Label, "Autonomy Threshold:", 14, 75, 68, 8, 0},
    {11, ControlKind::Edit, "", 87, 72, 40, 14, 0},
    {12, ControlKind::CheckList, "", 14, 100, 193, 52, 0},
    {13, ControlKind::ListBox, "", 14, 169, 110, 88, 0},
    {14, ControlKind::ListBox, "", 130, 198, 77, 59, 0},
}};

const ui::DialogTemplate kTemplate{1, "T", "MS Sans Serif", 8, 424, 271, 0, 0, kControls, {}};

// Pixels at 1.75 x 1.625 pixels a unit, as the toolkit's own conversion would give.
std::vector<Rect> ToPixels() {
    std::vector<Rect> px;
    for (const auto& c : kControls) {
        int x = c.x * 7 / 4, y = c.y * 13 / 8;
        px.push_back(Rect{x, y, x + c.cx * 7 / 4, y + c.cy * 13 / 8});
    }
    return px;
}

ui::RowMetrics Metrics(int listRow, int checkRow) {
    ui::RowMetrics m;
    m.unitRow = 13;
    m.listRow = listRow;
    m.checkRow = checkRow;
    m.listFrame = 2;
    m.labelHeight = 13;
    m.dropDownHeight = 30;
    return m;
}

void ExpectWholeRows(const ui::DialogPlacement& p, const ui::RowMetrics& m) {
    auto px = ToPixels();
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        const auto& c = kControls[i];
        if (c.kind != ControlKind::ListBox && c.kind != ControlKind::CheckList) continue;
        int row = c.kind == ControlKind::CheckList ? m.checkRow : m.listRow;
        int rows = p.rects[i].Height() - m.listFrame;
        SCOPED_TRACE(c.id);
        EXPECT_EQ(rows % row, 0) << "a row shows in part";
        EXPECT_GE(rows / row, ui::RowsHeld(px[i].Height(), m.unitRow, m.listFrame));
    }
}

TEST(DialogLayout, TallerRowsStretchTheDialogUntilEveryListHoldsItsRows) {
    auto px = ToPixels();
    for (auto [listRow, checkRow] : {std::pair{13, 13}, {13, 16}, {19, 22}, {26, 32}}) {
        SCOPED_TRACE(testing::Message() << listRow << "/" << checkRow);
        ui::RowMetrics m = Metrics(listRow, checkRow);
        ui::DialogPlacement p = ui::PlaceControls(kTemplate, px, 271 * 13 / 8, m);
        ASSERT_EQ(p.rects.size(), kControls.size());
        ExpectWholeRows(p, m);
        EXPECT_GE(p.scaleY, 1.0);
        // Everything stays inside the group box and the client area it was laid out in.
        for (std::size_t i = 1; i < p.rects.size(); ++i) {
            EXPECT_GE(p.rects[i].top, p.rects[0].top);
            EXPECT_LE(p.rects[i].bottom, p.rects[0].bottom);
        }
        EXPECT_LE(p.rects[0].bottom, p.clientHeight);
        // Horizontal positions never move.
        for (std::size_t i = 0; i < p.rects.size(); ++i) {
            EXPECT_EQ(p.rects[i].left, px[i].left);
            EXPECT_EQ(p.rects[i].right, px[i].right);
        }
    }
    // Rows as tall as the template's need no stretch at all.
    ui::DialogPlacement same = ui::PlaceControls(kTemplate, px, 440, Metrics(13, 13));
    EXPECT_EQ(same.scaleY, 1.0);
    EXPECT_EQ(same.clientHeight, 440);
}

TEST(DialogLayout, LabelsCentreOnTheLineOfTheirControlAndTheClosedDropDownIsOneLine) {
    ui::RowMetrics m = Metrics(19, 22);
    ui::DialogPlacement p = ui::PlaceControls(kTemplate, ToPixels(), 440, m);
    auto centre2 = [](const Rect& r) { return r.top + r.bottom; };
    // Attenuation label and drop-down; autonomy label and edit.
    EXPECT_LE(std::abs(centre2(p.rects[1]) - centre2(p.rects[2])), 1);
    EXPECT_LE(std::abs(centre2(p.rects[3]) - centre2(p.rects[4])), 1);
    EXPECT_EQ(p.rects[1].Height(), m.labelHeight);
    // The drop-down's template height is its dropped list; closed, it is at most one line.
    int line = static_cast<int>(13 * 14 / 8 * p.scaleY + 0.5);
    EXPECT_LE(p.rects[2].Height(), line);
    EXPECT_GT(p.rects[2].Height(), 0);
}

TEST(DialogLayout, WholeRowsHeightKeepsAtLeastOneRow) {
    EXPECT_EQ(ui::RowsHeld(84, 13, 2), 6);
    EXPECT_EQ(ui::WholeRowsHeight(100, 13, 2), 2 + 7 * 13);
    EXPECT_EQ(ui::WholeRowsHeight(5, 13, 2), 2 + 13);
    EXPECT_EQ(ui::WholeRowsHeight(100, 0, 2), 100);
}

} // namespace
