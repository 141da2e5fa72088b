// The windows behind dialog and control handles on GTK 3. Internal to the
// layer: gtk_dialog.cpp runs dialogs, gtk_controls.cpp makes the controls
// and turns their signals into the messages a dialog procedure handles.
#pragma once

#include "platform/linux/dialog/dialog_int.h"
#include "platform/linux/dialog/dialog_template.h"
#include "platform/linux/window_object.h"

#include <gtk/gtk.h>

#include <vector>

struct PlatformBrush {
    COLORREF colour;
};

struct DialogWindow;
struct ControlWindow;

// Pixels of an owner-drawn control: a cairo image surface that the
// control's "draw" handler shows, written by StretchDIBits and FillRect.
struct ControlDeviceContext : PlatformDeviceContext {
    explicit ControlDeviceContext(ControlWindow* control);
    void setPixel(int x, int y, COLORREF colour) override;
    void fillRect(const RECT& rect, COLORREF colour) override;
};

enum class ControlKind { Label, Bitmap, OwnerStatic, PushButton, RadioButton, GroupBox, Swatch, Edit, ScrollBar };

struct ControlWindow : PlatformWindow {
    DialogWindow* dialog = nullptr;
    const DialogItemTemplate* item = nullptr;
    ControlKind kind = ControlKind::Label;
    int id = -1;
    GtkWidget* widget = nullptr;
    // Scroll bars.
    GtkAdjustment* adjustment = nullptr;
    bool scrollButtonDown = false;
    bool scrollDragged = false;
    bool scrollArrowHeld = false;
    int lastThumb = 0;
    // Owner-drawn statics: the pixels; bitmaps: the picture.
    cairo_surface_t* surface = nullptr;
    GdkPixbuf* picture = nullptr;
    // Auto radio buttons: the hidden member of the group that is active
    // while none of the visible ones is checked.
    GtkWidget* noneRadio = nullptr;
    bool swatchPressed = false;
    int edge = 0;  // pixels of static or sunken edge on each side
    LONG outerWidth = 0;
    LONG outerHeight = 0;

    LRESULT deliver(UINT message, WPARAM wParam, LPARAM lParam) override;
    HDC deviceContext() override;
    void destroyNative() override;
    bool takesTabStop() const;
};

struct DialogWindow : PlatformWindow {
    DLGPROC dialogProc = nullptr;
    const DialogTemplate* dialogTemplate = nullptr;
    GtkWidget* window = nullptr;
    GtkWidget* fixed = nullptr;
    GtkCssProvider* css = nullptr;
    std::vector<ControlWindow*> controls;
    GMainLoop* loop = nullptr;
    bool ended = false;
    INT_PTR result = 0;
    bool closing = false;
    // While the program itself changes a control, its signals are not
    // turned into notifications (Windows sends none for BM_SETCHECK).
    int quietChanges = 0;
    guint paintSource = 0;
    int defaultButtonId = IDOK;
    int baseUnitX = 0;
    int baseUnitY = 0;

    LRESULT deliver(UINT message, WPARAM wParam, LPARAM lParam) override;
    void destroyNative() override;

    // Dialog units to pixels, rounded as MulDiv rounds.
    int pixelsX(int units) const { return (units * baseUnitX + 2) / 4; }
    int pixelsY(int units) const { return (units * baseUnitY + 4) / 8; }
    ControlWindow* control(int id) const;
    ControlWindow* controlOfWidget(GtkWidget* widget) const;
    // Sends WM_PAINT soon (before GTK draws), then redraws everything.
    void invalidate();
};

// Makes the template's controls in the dialog's fixed container.
void createDialogControls(DialogWindow* dialog);
// Sends a notification to the dialog's procedure unless it is closing.
LRESULT notifyDialog(DialogWindow* dialog, UINT message, WPARAM wParam, LPARAM lParam);

