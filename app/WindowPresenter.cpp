#include "app/WindowPresenter.h"

#include <algorithm>
#include <cstring>

CWindowPresenter::CWindowPresenter(int32_t width, int32_t height)
    : frame(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height)) {
    // Until the first frame the window shows black.
    cairo_t* cr = cairo_create(frame);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
}

CWindowPresenter::~CWindowPresenter() {
    cairo_surface_destroy(frame);
}

void CWindowPresenter::Attach(GtkWidget* widget) {
    area = widget;
}

void CWindowPresenter::Show(const uint32_t* pixels, int32_t width, int32_t height, int32_t stride) {
    if (pixels == nullptr || width <= 0 || height <= 0 || stride < width) {
        return;
    }
    cairo_surface_flush(frame);
    unsigned char* data = cairo_image_surface_get_data(frame);
    const int32_t frameStride = cairo_image_surface_get_stride(frame);
    const int32_t rows = std::min(height, cairo_image_surface_get_height(frame));
    const size_t rowBytes =
        static_cast<size_t>(std::min(width, cairo_image_surface_get_width(frame))) *
        sizeof(uint32_t);
    // Only the rows that differ from the frame on screen are sent again; a
    // frame like the last one (the title, the pause picture) costs nothing.
    int32_t firstChanged = rows;
    int32_t lastChanged = -1;
    for (int32_t y = 0; y < rows; ++y) {
        unsigned char* to = data + static_cast<size_t>(y) * frameStride;
        const uint32_t* from = pixels + static_cast<size_t>(y) * stride;
        if (std::memcmp(to, from, rowBytes) != 0) {
            std::memcpy(to, from, rowBytes);
            firstChanged = std::min(firstChanged, y);
            lastChanged = y;
        }
    }
    cairo_surface_mark_dirty(frame);
    if (lastChanged >= 0) {
        DrawNow(firstChanged, lastChanged + 1 - firstChanged);
    }
}

// On a screen with more device pixels to a window pixel each game pixel
// becomes a square block of them, never a blur.
void CWindowPresenter::Paint(cairo_t* cr) const {
    cairo_set_source_surface(cr, frame, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
}

// Draws rows of the kept frame straight into the toplevel's window, over the
// widget's rectangle, and sends them to the display before returning.
void CWindowPresenter::DrawNow(int32_t top, int32_t count) {
    if (area == nullptr || !gtk_widget_get_mapped(area)) {
        return;  // the window repaints from the kept frame once it shows
    }
    GdkWindow* own = gtk_widget_get_window(area);
    GdkWindow* toplevel = own != nullptr ? gdk_window_get_toplevel(own) : nullptr;
    if (toplevel == nullptr) {
        return;
    }
    // Where the widget lies in the toplevel.
    double x = 0;
    double y = 0;
    for (GdkWindow* w = own; w != nullptr && w != toplevel; w = gdk_window_get_parent(w)) {
        gdk_window_coords_to_parent(w, x, y, &x, &y);
    }
    const cairo_rectangle_int_t rect = {static_cast<int>(x), static_cast<int>(y) + top,
                                        gtk_widget_get_allocated_width(area), count};
    cairo_region_t* region = cairo_region_create_rectangle(&rect);
    GdkDrawingContext* context = gdk_window_begin_draw_frame(toplevel, region);
    if (context != nullptr) {
        cairo_t* cr = gdk_drawing_context_get_cairo_context(context);
        cairo_translate(cr, x, y);
        Paint(cr);
        gdk_window_end_draw_frame(toplevel, context);
    }
    cairo_region_destroy(region);
    gdk_display_flush(gdk_window_get_display(toplevel));
}
