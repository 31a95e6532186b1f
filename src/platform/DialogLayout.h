// Placing a dialog template's controls on a toolkit whose rows and lines are taller than the
// template assumed. The template is laid out for list rows of 8 vertical dialog units; a toolkit
// row is often taller, so the whole dialog is stretched vertically just enough for every list to
// show the rows its template height holds, and each list is then cut to whole rows.
#pragma once

#include <span>
#include <vector>

#include "platform/DialogUi.h"

namespace ui {

// What the toolkit measured, in pixels.
struct RowMetrics {
    int unitRow = 0;        // 8 vertical dialog units: the template's own row
    int listRow = 0;        // a row of a plain list
    int checkRow = 0;       // a row of a check list
    int listFrame = 0;      // a list's height minus the height its rows may use
    int labelHeight = 0;    // a label's line of text
    int dropDownHeight = 0; // a closed drop-down list's own height
};

struct DialogPlacement {
    double scaleY = 1.0;     // vertical stretch applied to the template's pixels
    int clientHeight = 0;    // the dialog's client height after the stretch
    std::vector<Rect> rects; // one per template control, in template order
};

// Whole rows of the given height that a list of the given height and frame holds (at least one).
int RowsHeld(int height, int row, int frame);

// pixelRects: each control's template rectangle converted to pixels with the toolkit's own
// dialog-unit conversion; clientHeight likewise for the dialog.
DialogPlacement PlaceControls(const DialogTemplate& tmpl, std::span<const Rect> pixelRects,
                              int clientHeight, const RowMetrics& m);

// Height of a list of the given height cut down to whole rows (at least one row).
int WholeRowsHeight(int height, int row, int frame);

} // namespace ui
