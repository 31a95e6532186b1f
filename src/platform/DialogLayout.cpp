#include "platform/DialogLayout.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace ui {

namespace {

constexpr int kUnitsPerRow = 8;
// Edits and the closed drop-downs of the template are one line of this many units.
constexpr int kLineUnits = 14;

bool IsList(ControlKind k) {
    return k == ControlKind::ListBox || k == ControlKind::CheckList;
}

int RowOf(ControlKind k, const RowMetrics& m) {
    return k == ControlKind::CheckList ? m.checkRow : m.listRow;
}

int Scale(int v, double s) {
    return static_cast<int>(std::lround(v * s));
}

// The stretch that lets every list hold its template's rows at the toolkit's row height.
double StretchFor(const DialogTemplate& tmpl, std::span<const Rect> px, const RowMetrics& m) {
    double s = 1.0;
    for (std::size_t i = 0; i < tmpl.controls.size() && i < px.size(); ++i) {
        const ControlTemplate& c = tmpl.controls[i];
        int height = px[i].Height();
        if (!IsList(c.kind) || height <= 0) continue;
        // The rows the template holds: its pixel height at the template's own row height.
        int rows = RowsHeld(height, m.unitRow, m.listFrame);
        int need = m.listFrame + rows * RowOf(c.kind, m);
        s = std::max(s, static_cast<double>(need) / height);
    }
    return s;
}

// The single-line control a label names: on the label's row, to its right.
std::optional<std::size_t> LineControlOf(const DialogTemplate& tmpl, const ControlTemplate& label) {
    int middle2 = 2 * label.y + label.cy;
    for (std::size_t i = 0; i < tmpl.controls.size(); ++i) {
        const ControlTemplate& c = tmpl.controls[i];
        if (c.kind != ControlKind::Edit && c.kind != ControlKind::DropDownList) continue;
        int height = c.kind == ControlKind::DropDownList ? kLineUnits : c.cy;
        if (middle2 < 2 * c.y || middle2 > 2 * (c.y + height)) continue;
        if (c.x < label.x + label.cx - 2) continue;
        return i;
    }
    return std::nullopt;
}

} // namespace

int RowsHeld(int height, int row, int frame) {
    return row > 0 ? std::max(1, (height - frame) / row) : 1;
}

int WholeRowsHeight(int height, int row, int frame) {
    if (row <= 0) return height;
    return frame + RowsHeld(height, row, frame) * row;
}

DialogPlacement PlaceControls(const DialogTemplate& tmpl, std::span<const Rect> px,
                              int clientHeight, const RowMetrics& m) {
    DialogPlacement out;
    out.scaleY = m.unitRow > 0 ? StretchFor(tmpl, px, m) : 1.0;
    out.clientHeight = Scale(clientHeight, out.scaleY);
    const double s = out.scaleY;
    int line = m.unitRow > 0 ? Scale(m.unitRow * kLineUnits / kUnitsPerRow, s) : 0;
    for (const Rect& r : px)
        out.rects.push_back(Rect{r.left, Scale(r.top, s), r.right, Scale(r.bottom, s)});
    for (std::size_t i = 0; i < out.rects.size() && i < tmpl.controls.size(); ++i) {
        const ControlTemplate& c = tmpl.controls[i];
        Rect& r = out.rects[i];
        if (IsList(c.kind)) {
            r.bottom = r.top + WholeRowsHeight(r.Height(), RowOf(c.kind, m), m.listFrame);
        } else if (c.kind == ControlKind::DropDownList) {
            // The template's height is that of the dropped list; the closed control is one line.
            int h = m.dropDownHeight > 0 ? m.dropDownHeight : line;
            if (line > 0) h = std::min(h, line);
            r.bottom = r.top + h;
        }
    }
    // Labels line up with the control they name, centre on centre, once those are placed.
    for (std::size_t i = 0; i < out.rects.size() && i < tmpl.controls.size(); ++i) {
        const ControlTemplate& c = tmpl.controls[i];
        if (c.kind != ControlKind::Label || m.labelHeight <= 0) continue;
        const std::optional<std::size_t> j = LineControlOf(tmpl, c);
        if (!j || *j >= out.rects.size()) continue;
        const Rect& target = out.rects[*j];
        int top = target.top + (target.Height() - m.labelHeight) / 2;
        out.rects[i].top = top;
        out.rects[i].bottom = top + m.labelHeight;
    }
    return out;
}

} // namespace ui
