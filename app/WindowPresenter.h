// Shows the game's finished frames in the main window. Each frame is kept, so
// that the window can be repainted at any time, and drawn at once, before Show
// returns, so that the screen wipes are seen tile by tile.
#pragma once

#include <cairo.h>
#include <gtk/gtk.h>

#include <cstdint>

#include "graphics/Presenter.h"

class CWindowPresenter : public CPresenter {
public:
    CWindowPresenter(int32_t width, int32_t height);
    ~CWindowPresenter() override;
    CWindowPresenter(const CWindowPresenter&) = delete;
    CWindowPresenter& operator=(const CWindowPresenter&) = delete;

    // The widget the frames go to; null while there is none (before the
    // window is made and after it is gone).
    void Attach(GtkWidget* area);
    // Keeps the frame and draws what changed into the widget. Handles no
    // window event.
    void Show(const uint32_t* pixels, int32_t width, int32_t height, int32_t stride) override;
    // Paints the kept frame at the origin of `cr` (the widget's repaints).
    void Paint(cairo_t* cr) const;

private:
    void DrawNow(int32_t top, int32_t count);

    cairo_surface_t* frame;
    GtkWidget* area = nullptr;
};
