// Where the preview frame goes and how far the dialog grows for a picture, in the dialog's client
// pixels. The frame hugs the picture with 4 pixels all round; the dialog keeps 8 pixels beyond
// the frame and never shrinks; the two large group boxes end 4 pixels above the frame's bottom,
// but only when the dialog grew.
#pragma once

#include <optional>

#include "platform/DialogUi.h"

struct PreviewLayout {
    ui::Rect frame;
    bool frameVisible = false;
    ui::Rect window;
    bool grew = false;
    int groupBottom = 0; // the group boxes' new bottom edge, when grew
};

struct PictureSize {
    int width = 0;
    int height = 0;
};

PreviewLayout PlacePreview(const ui::Rect& frame, const ui::Rect& window,
                           std::optional<PictureSize> picture);
