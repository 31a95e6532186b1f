// What the wx window needs from GTK itself: denser list rows and entries, the list rows' real
// heights and an entry's room for text. Only the wx implementation includes this header.
#pragma once

#include <optional>

class wxListBox;
class wxTextCtrl;

namespace ui::gtk {

// Denser rows and entries for the whole process, closer to the template's 8-unit rows. Once.
void InstallCompactStyle();

// Drops the cells' vertical padding of a list. Call before the list is measured.
void CompactRows(wxListBox& list);

// A row's height as the list will draw it; the list must hold at least one item.
std::optional<int> PredictRowHeight(wxListBox& list);

// The list's height minus the height its rows may use (its frame).
int ListFrame(wxListBox& list);

struct ShownRows {
    int rowHeight = 0;
    int visibleHeight = 0;
    int wholeRows = 0; // rows that fit whole in the visible height
    bool cut = false;  // a row would show in part at the bottom edge
};

// After the list is shown: the rows it shows, measured on its first row.
std::optional<ShownRows> MeasureShownRows(wxListBox& list);

// Pixels an entry has for its text: its width less its padding and border.
int EntryTextRoom(wxTextCtrl& edit);

} // namespace ui::gtk
