#include "app/PreviewLayout.h"

PreviewLayout PlacePreview(const ui::Rect& frame, const ui::Rect& window,
                           std::optional<PictureSize> picture) {
    PreviewLayout out;
    ui::Rect r = frame;
    if (picture) {
        r.right = r.left + picture->width + 8;
        r.bottom = r.top + picture->height + 8;
        out.frameVisible = true;
    } else {
        // A 10 by 10 square at the frame's lower left corner, hidden.
        r.right = r.left + 10;
        r.top = r.bottom - 10;
    }
    out.frame = r;
    ui::Rect w = window;
    if (w.right < r.right + 8) {
        w.right = r.right + 8;
        out.grew = true;
    }
    if (w.bottom < r.bottom + 8) {
        w.bottom = r.bottom + 8;
        out.grew = true;
    }
    out.window = w;
    out.groupBottom = r.bottom - 4;
    return out;
}
