#include "platform/WxGtkMetrics.h"

#include <wx/listbox.h>
#include <wx/textctrl.h>

#include <gtk/gtk.h>

#include <algorithm>

namespace ui::gtk {

namespace {

constexpr const char* kCompactCss =
    // Rows as tall as their text or check box: no separator, no room kept for tree expanders.
    "treeview.view { -GtkTreeView-vertical-separator: 0; -GtkTreeView-expander-size: 8; }\n"
    // Entries and closed drop-downs fit a template line and a signed 16-bit value.
    "entry { padding: 0 3px; min-height: 0; }\n"
    "combobox button { padding-top: 0; padding-bottom: 0; min-height: 0; }\n";

GtkTreeView* TreeOf(wxListBox& list) {
    return list.m_treeview;
}

} // namespace

void InstallCompactStyle() {
    static bool installed = false;
    GdkScreen* screen = gdk_screen_get_default();
    if (installed || !screen) return;
    GtkCssProvider* css = gtk_css_provider_new();
    if (gtk_css_provider_load_from_data(css, kCompactCss, -1, nullptr))
        gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(css),
                                                  GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);
    installed = true;
}

void CompactRows(wxListBox& list) {
    GtkTreeView* tree = TreeOf(list);
    if (!tree) return;
    for (int i = 0, n = static_cast<int>(gtk_tree_view_get_n_columns(tree)); i < n; ++i) {
        GList* cells =
            gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(gtk_tree_view_get_column(tree, i)));
        for (GList* c = cells; c; c = c->next) {
            int xpad = 0;
            gtk_cell_renderer_get_padding(GTK_CELL_RENDERER(c->data), &xpad, nullptr);
            gtk_cell_renderer_set_padding(GTK_CELL_RENDERER(c->data), xpad, 0);
        }
        g_list_free(cells);
    }
}

std::optional<int> PredictRowHeight(wxListBox& list) {
    GtkTreeView* tree = TreeOf(list);
    if (!tree) return std::nullopt;
    GtkTreeModel* model = gtk_tree_view_get_model(tree);
    GtkTreeIter first;
    if (!model || !gtk_tree_model_get_iter_first(model, &first)) return std::nullopt;
    int tallest = 0;
    for (int i = 0, n = static_cast<int>(gtk_tree_view_get_n_columns(tree)); i < n; ++i) {
        GtkTreeViewColumn* column = gtk_tree_view_get_column(tree, i);
        gtk_tree_view_column_cell_set_cell_data(column, model, &first, FALSE, FALSE);
        int height = 0;
        gtk_tree_view_column_cell_get_size(column, nullptr, nullptr, nullptr, nullptr, &height);
        tallest = std::max(tallest, height);
    }
    int separator = 0;
    gtk_widget_style_get(GTK_WIDGET(tree), "vertical-separator", &separator, nullptr);
    if (tallest <= 0) return std::nullopt;
    return tallest + separator;
}

int ListFrame(wxListBox& list) {
    GtkWidget* outer = list.GetHandle();
    if (!outer) return 2;
    GtkStyleContext* ctx = gtk_widget_get_style_context(outer);
    GtkBorder border{};
    gtk_style_context_get_border(ctx, gtk_style_context_get_state(ctx), &border);
    int frame = border.top + border.bottom;
    return frame > 0 ? frame : 2;
}

std::optional<ShownRows> MeasureShownRows(wxListBox& list) {
    GtkTreeView* tree = TreeOf(list);
    if (!tree || !gtk_widget_get_realized(GTK_WIDGET(tree))) return std::nullopt;
    GtkTreeModel* model = gtk_tree_view_get_model(tree);
    GtkTreeIter first;
    if (!model || !gtk_tree_model_get_iter_first(model, &first)) return std::nullopt;
    GtkTreePath* path = gtk_tree_path_new_first();
    GdkRectangle row{};
    gtk_tree_view_get_background_area(tree, path, nullptr, &row);
    gtk_tree_path_free(path);
    GdkRectangle visible{};
    gtk_tree_view_get_visible_rect(tree, &visible);
    if (row.height <= 0) return std::nullopt;
    ShownRows out;
    out.rowHeight = row.height;
    out.visibleHeight = visible.height;
    out.wholeRows = visible.height / row.height;
    out.cut = visible.height % row.height != 0;
    return out;
}

int EntryTextRoom(wxTextCtrl& edit) {
    GtkWidget* entry = edit.GetHandle();
    if (!entry) return 0;
    GtkStyleContext* ctx = gtk_widget_get_style_context(entry);
    GtkStateFlags state = gtk_style_context_get_state(ctx);
    GtkBorder padding{};
    GtkBorder border{};
    gtk_style_context_get_padding(ctx, state, &padding);
    gtk_style_context_get_border(ctx, state, &border);
    return gtk_widget_get_allocated_width(entry) - padding.left - padding.right - border.left -
           border.right;
}

} // namespace ui::gtk
