// Dialog controls on GTK 3: each template item becomes a widget at its
// place in the dialog's GtkFixed, and the widget's signals become the
// notifications the dialog procedure handles.
#include "platform/linux/dialog/gtk_dialog.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <strings.h>

namespace {

constexpr COLORREF kButtonFace = 0x00F0F0F0;

bool sameClass(const char* a, const char* b)
{
    return strcasecmp(a, b) == 0;
}

LPARAM handleParam(ControlWindow* control)
{
    return reinterpret_cast<LPARAM>(static_cast<HWND>(control));
}

void sendCommand(ControlWindow* control, WORD code)
{
    notifyDialog(control->dialog, WM_COMMAND, MAKEWPARAM(control->id, code), handleParam(control));
}

void setSourceColour(cairo_t* cr, COLORREF colour)
{
    cairo_set_source_rgb(cr, GetRValue(colour) / 255.0, GetGValue(colour) / 255.0, GetBValue(colour) / 255.0);
}

// A one-pixel sunken edge, grey above and left, white below and right.
void drawEdge(cairo_t* cr, int width, int height)
{
    cairo_set_line_width(cr, 1);
    setSourceColour(cr, 0x00A0A0A0);
    cairo_move_to(cr, 0.5, height - 0.5);
    cairo_line_to(cr, 0.5, 0.5);
    cairo_line_to(cr, width - 0.5, 0.5);
    cairo_stroke(cr);
    setSourceColour(cr, 0x00FFFFFF);
    cairo_move_to(cr, width - 0.5, 0.5);
    cairo_line_to(cr, width - 0.5, height - 0.5);
    cairo_line_to(cr, 0.5, height - 0.5);
    cairo_stroke(cr);
}

gboolean drawOwnerStatic(GtkWidget*, cairo_t* cr, gpointer data)
{
    auto* control = static_cast<ControlWindow*>(data);
    if (control->edge > 0)
        drawEdge(cr, control->outerWidth, control->outerHeight);
    if (control->surface != nullptr) {
        cairo_surface_mark_dirty(control->surface);
        cairo_set_source_surface(cr, control->surface, control->edge, control->edge);
        cairo_paint(cr);
    }
    return TRUE;
}

gboolean drawBitmap(GtkWidget*, cairo_t* cr, gpointer data)
{
    auto* control = static_cast<ControlWindow*>(data);
    if (control->edge > 0)
        drawEdge(cr, control->outerWidth, control->outerHeight);
    if (control->picture == nullptr)
        return TRUE;
    cairo_translate(cr, control->edge, control->edge);
    if (control->item->style & SS_REALSIZECONTROL) {
        // Stretched to the control, which grows with the dialog's font.
        const double width = control->outerWidth - 2 * control->edge;
        const double height = control->outerHeight - 2 * control->edge;
        cairo_scale(cr, width / gdk_pixbuf_get_width(control->picture),
                    height / gdk_pixbuf_get_height(control->picture));
    }
    gdk_cairo_set_source_pixbuf(cr, control->picture, 0, 0);
    cairo_paint(cr);
    return TRUE;
}

// The swatch face is the brush the dialog hands back for WM_CTLCOLORBTN:
// a flat patch, with no caption, focus mark or pressed look.
gboolean drawSwatch(GtkWidget*, cairo_t* cr, gpointer data)
{
    auto* control = static_cast<ControlWindow*>(data);
    COLORREF face = kButtonFace;
    const LRESULT brush = notifyDialog(control->dialog, WM_CTLCOLORBTN,
                                       reinterpret_cast<WPARAM>(control->deviceContext()), handleParam(control));
    if (brush != 0)
        face = reinterpret_cast<PlatformBrush*>(brush)->colour;
    if (control->edge > 0)
        drawEdge(cr, control->outerWidth, control->outerHeight);
    setSourceColour(cr, face);
    cairo_rectangle(cr, control->edge, control->edge, control->width, control->height);
    cairo_fill(cr);
    return TRUE;
}

gboolean swatchButton(GtkWidget* widget, GdkEventButton* event, gpointer data)
{
    auto* control = static_cast<ControlWindow*>(data);
    if (event->button != 1)
        return FALSE;
    const bool notify = (control->item->style & BS_NOTIFY) != 0;
    if (event->type == GDK_BUTTON_PRESS) {
        control->swatchPressed = true;
        if (gtk_widget_get_can_focus(widget))
            gtk_widget_grab_focus(widget);
    } else if (event->type == GDK_2BUTTON_PRESS) {
        control->swatchPressed = true;
        if (notify)
            sendCommand(control, BN_DOUBLECLICKED);
    } else if (event->type == GDK_BUTTON_RELEASE && control->swatchPressed) {
        control->swatchPressed = false;
        const bool inside = event->x >= 0 && event->y >= 0 && event->x < control->outerWidth &&
                            event->y < control->outerHeight;
        if (inside)
            sendCommand(control, BN_CLICKED);
    }
    return TRUE;
}

gboolean swatchKey(GtkWidget*, GdkEventKey* event, gpointer data)
{
    if (event->keyval != GDK_KEY_space)
        return FALSE;
    if (event->type == GDK_KEY_RELEASE)
        sendCommand(static_cast<ControlWindow*>(data), BN_CLICKED);
    return TRUE;
}

gboolean swatchFocus(GtkWidget*, GdkEventFocus* event, gpointer data)
{
    auto* control = static_cast<ControlWindow*>(data);
    if (control->item->style & BS_NOTIFY)
        sendCommand(control, event->in ? BN_SETFOCUS : BN_KILLFOCUS);
    return FALSE;
}

void pushButtonClicked(GtkButton*, gpointer data)
{
    auto* control = static_cast<ControlWindow*>(data);
    if (control->dialog->quietChanges == 0)
        sendCommand(control, BN_CLICKED);
}

// GTK emits "clicked" on the radio button left as well as on the one
// chosen; only the chosen one notifies, as on Windows.
void radioClicked(GtkButton* button, gpointer data)
{
    auto* control = static_cast<ControlWindow*>(data);
    if (control->dialog->quietChanges == 0 && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button)))
        sendCommand(control, BN_CLICKED);
}

void editChanged(GtkEditable*, gpointer data)
{
    sendCommand(static_cast<ControlWindow*>(data), EN_CHANGE);
}

int thumbPosition(ControlWindow* control, double value)
{
    const double lower = gtk_adjustment_get_lower(control->adjustment);
    const double last = gtk_adjustment_get_upper(control->adjustment) - gtk_adjustment_get_page_size(control->adjustment);
    return static_cast<int>(std::lround(std::clamp(value, lower, std::max(lower, last))));
}

void sendScroll(ControlWindow* control, WORD code, int position = 0)
{
    notifyDialog(control->dialog, WM_HSCROLL, MAKEWPARAM(code, static_cast<WORD>(position)), handleParam(control));
}

// GTK's scroll types become the scroll bar requests; the bar does not move
// itself, the dialog moves it with SetScrollPos.
gboolean scrollChangeValue(GtkRange*, GtkScrollType scroll, gdouble value, gpointer data)
{
    auto* control = static_cast<ControlWindow*>(data);
    switch (scroll) {
    case GTK_SCROLL_STEP_BACKWARD:
    case GTK_SCROLL_STEP_LEFT:
    case GTK_SCROLL_STEP_UP:
        sendScroll(control, SB_LINELEFT);
        break;
    case GTK_SCROLL_STEP_FORWARD:
    case GTK_SCROLL_STEP_RIGHT:
    case GTK_SCROLL_STEP_DOWN:
        sendScroll(control, SB_LINERIGHT);
        break;
    case GTK_SCROLL_PAGE_BACKWARD:
    case GTK_SCROLL_PAGE_LEFT:
    case GTK_SCROLL_PAGE_UP:
        sendScroll(control, SB_PAGELEFT);
        break;
    case GTK_SCROLL_PAGE_FORWARD:
    case GTK_SCROLL_PAGE_RIGHT:
    case GTK_SCROLL_PAGE_DOWN:
        sendScroll(control, SB_PAGERIGHT);
        break;
    case GTK_SCROLL_START:
        sendScroll(control, SB_LEFT);
        break;
    case GTK_SCROLL_END:
        sendScroll(control, SB_RIGHT);
        break;
    case GTK_SCROLL_JUMP:
        control->lastThumb = thumbPosition(control, value);
        if (control->scrollButtonDown)
            control->scrollDragged = true;
        sendScroll(control, SB_THUMBTRACK, control->lastThumb);
        if (!control->scrollButtonDown)  // a jump without a drag ends at once
            sendScroll(control, SB_THUMBPOSITION, control->lastThumb);
        break;
    default:
        break;
    }
    return TRUE;
}

// Which arrow of the bar a point is on: -1 left, 1 right, 0 neither.
// The arrows are square, as wide as the bar is high.
int arrowAt(GtkWidget* widget, double x)
{
    const int width = gtk_widget_get_allocated_width(widget);
    const int arrow = std::min(gtk_widget_get_allocated_height(widget), width / 3);
    if (x < arrow)
        return -1;
    if (x >= width - arrow)
        return 1;
    return 0;
}

gboolean scrollButton(GtkWidget* widget, GdkEventButton* event, gpointer data)
{
    auto* control = static_cast<ControlWindow*>(data);
    // HACK: GTK 3 steps from its arrows in small smooth jumps, which would
    // read as thumb tracking; an arrow click is one line step here.
    if (event->button == 1 && (event->type == GDK_BUTTON_PRESS || event->type == GDK_2BUTTON_PRESS)) {
        const int arrow = arrowAt(widget, event->x);
        if (arrow != 0) {
            if (gtk_widget_get_can_focus(widget))
                gtk_widget_grab_focus(widget);
            control->scrollArrowHeld = true;
            sendScroll(control, arrow < 0 ? SB_LINELEFT : SB_LINERIGHT);
            return TRUE;
        }
    }
    if (event->type == GDK_BUTTON_RELEASE && control->scrollArrowHeld) {
        control->scrollArrowHeld = false;
        sendScroll(control, SB_ENDSCROLL);
        return TRUE;
    }
    if (event->type == GDK_BUTTON_PRESS) {
        control->scrollButtonDown = true;
        control->scrollDragged = false;
    } else if (event->type == GDK_BUTTON_RELEASE && control->scrollButtonDown) {
        control->scrollButtonDown = false;
        if (control->scrollDragged)
            sendScroll(control, SB_THUMBPOSITION, control->lastThumb);
        control->scrollDragged = false;
        sendScroll(control, SB_ENDSCROLL);
    }
    return FALSE;
}

// GTK gives scroll bars no keys; these are the keys of a Windows scroll
// bar control that has the focus, each followed by SB_ENDSCROLL on release.
int scrollRequestForKey(guint key)
{
    switch (key) {
    case GDK_KEY_Left:
    case GDK_KEY_Up:
    case GDK_KEY_KP_Left:
    case GDK_KEY_KP_Up:
        return SB_LINELEFT;
    case GDK_KEY_Right:
    case GDK_KEY_Down:
    case GDK_KEY_KP_Right:
    case GDK_KEY_KP_Down:
        return SB_LINERIGHT;
    case GDK_KEY_Page_Up:
    case GDK_KEY_KP_Page_Up:
        return SB_PAGELEFT;
    case GDK_KEY_Page_Down:
    case GDK_KEY_KP_Page_Down:
        return SB_PAGERIGHT;
    case GDK_KEY_Home:
    case GDK_KEY_KP_Home:
        return SB_LEFT;
    case GDK_KEY_End:
    case GDK_KEY_KP_End:
        return SB_RIGHT;
    default:
        return -1;
    }
}

gboolean scrollKey(GtkWidget*, GdkEventKey* event, gpointer data)
{
    const int request = scrollRequestForKey(event->keyval);
    if (request < 0)
        return FALSE;
    auto* control = static_cast<ControlWindow*>(data);
    sendScroll(control, static_cast<WORD>(event->type == GDK_KEY_PRESS ? request : SB_ENDSCROLL));
    return TRUE;
}

GdkPixbuf* loadBitmap(int resourceId)
{
    const BitmapResource* bitmap = platformFindBitmap(resourceId);
    if (bitmap == nullptr)
        return nullptr;
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("bmp", nullptr);
    if (loader == nullptr)
        return nullptr;
    GdkPixbuf* picture = nullptr;
    if (gdk_pixbuf_loader_write(loader, bitmap->data, bitmap->size, nullptr) &&
        gdk_pixbuf_loader_close(loader, nullptr)) {
        picture = gdk_pixbuf_loader_get_pixbuf(loader);
        if (picture != nullptr)
            g_object_ref(picture);
    } else {
        gdk_pixbuf_loader_close(loader, nullptr);
    }
    g_object_unref(loader);
    return picture;
}

GtkWidget* drawingArea(ControlWindow* control, GCallback draw)
{
    GtkWidget* area = gtk_drawing_area_new();
    g_signal_connect(area, "draw", draw, control);
    return area;
}

void makeLabel(ControlWindow* control, const char* text)
{
    GtkWidget* label = gtk_label_new(text);
    const DWORD align = control->item->style & SS_TYPEMASK;
    gtk_label_set_xalign(GTK_LABEL(label), align == SS_CENTER ? 0.5f : align == SS_RIGHT ? 1.0f : 0.0f);
    gtk_label_set_yalign(GTK_LABEL(label), 0.0f);
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_justify(GTK_LABEL(label), align == SS_CENTER ? GTK_JUSTIFY_CENTER
                                            : align == SS_RIGHT ? GTK_JUSTIFY_RIGHT
                                                                : GTK_JUSTIFY_LEFT);
    control->widget = label;
}

void makeStatic(ControlWindow* control, const char* text)
{
    switch (control->item->style & SS_TYPEMASK) {
    case SS_OWNERDRAW:
        control->kind = ControlKind::OwnerStatic;
        control->widget = drawingArea(control, G_CALLBACK(drawOwnerStatic));
        break;
    case SS_BITMAP:
        // As on Windows, the control takes the picture's own size, unless
        // SS_REALSIZECONTROL keeps the template's and stretches the picture.
        control->kind = ControlKind::Bitmap;
        control->widget = drawingArea(control, G_CALLBACK(drawBitmap));
        control->picture = loadBitmap(control->item->textResource);
        if (control->item->style & SS_SUNKEN)
            control->edge = 1;
        if (control->picture == nullptr)
            break;
        if ((control->item->style & SS_REALSIZECONTROL) == 0) {
            control->outerWidth = gdk_pixbuf_get_width(control->picture) + 2 * control->edge;
            control->outerHeight = gdk_pixbuf_get_height(control->picture) + 2 * control->edge;
        } else {
            // The template's height, and the width that keeps the picture's
            // shape: GTK's fonts are wider for their height than Windows'.
            const double scale = static_cast<double>(control->outerHeight - 2 * control->edge) /
                                 gdk_pixbuf_get_height(control->picture);
            control->outerWidth =
                static_cast<LONG>(std::lround(scale * gdk_pixbuf_get_width(control->picture))) + 2 * control->edge;
        }
        break;
    default:
        control->kind = ControlKind::Label;
        makeLabel(control, text);
        break;
    }
}

void makeButton(ControlWindow* control, const char* text, GSList** radioGroup, GtkWidget** groupNone)
{
    DialogWindow* dialog = control->dialog;
    switch (control->item->style & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
        control->kind = ControlKind::PushButton;
        control->widget = gtk_button_new_with_label(text);
        g_signal_connect(control->widget, "clicked", G_CALLBACK(pushButtonClicked), control);
        if ((control->item->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
            dialog->defaultButtonId = control->id;
            gtk_widget_set_can_default(control->widget, TRUE);
        }
        break;
    case BS_AUTORADIOBUTTON:
        control->kind = ControlKind::RadioButton;
        if (*groupNone == nullptr) {
            // GTK always keeps one member of a group active; a hidden one
            // stands for "none checked", which is how Windows starts.
            *groupNone = gtk_radio_button_new(nullptr);
            g_object_ref_sink(*groupNone);
            *radioGroup = gtk_radio_button_get_group(GTK_RADIO_BUTTON(*groupNone));
        }
        control->noneRadio = *groupNone;
        control->widget = gtk_radio_button_new_with_label(*radioGroup, text);
        *radioGroup = gtk_radio_button_get_group(GTK_RADIO_BUTTON(control->widget));
        g_signal_connect(control->widget, "clicked", G_CALLBACK(radioClicked), control);
        break;
    case BS_GROUPBOX:
        control->kind = ControlKind::GroupBox;
        control->widget = gtk_frame_new(text);
        gtk_widget_set_can_focus(control->widget, FALSE);
        break;
    case BS_OWNERDRAW:
        control->kind = ControlKind::Swatch;
        control->widget = drawingArea(control, G_CALLBACK(drawSwatch));
        gtk_widget_add_events(control->widget, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                                   GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK |
                                                   GDK_FOCUS_CHANGE_MASK);
        g_signal_connect(control->widget, "button-press-event", G_CALLBACK(swatchButton), control);
        g_signal_connect(control->widget, "button-release-event", G_CALLBACK(swatchButton), control);
        g_signal_connect(control->widget, "key-press-event", G_CALLBACK(swatchKey), control);
        g_signal_connect(control->widget, "key-release-event", G_CALLBACK(swatchKey), control);
        g_signal_connect(control->widget, "focus-in-event", G_CALLBACK(swatchFocus), control);
        g_signal_connect(control->widget, "focus-out-event", G_CALLBACK(swatchFocus), control);
        break;
    default:
        control->kind = ControlKind::Label;
        makeLabel(control, text);
        break;
    }
}

void makeEdit(ControlWindow* control, const char* text)
{
    control->kind = ControlKind::Edit;
    control->widget = gtk_entry_new();
    gtk_entry_set_width_chars(GTK_ENTRY(control->widget), 1);
    gtk_entry_set_has_frame(GTK_ENTRY(control->widget), (control->item->style & WS_BORDER) != 0);
    gtk_entry_set_text(GTK_ENTRY(control->widget), text);
    g_signal_connect(control->widget, "changed", G_CALLBACK(editChanged), control);
}

void makeScrollBar(ControlWindow* control)
{
    control->kind = ControlKind::ScrollBar;
    control->adjustment = gtk_adjustment_new(0, 0, 1, 1, 1, 1);
    control->widget = gtk_scrollbar_new(GTK_ORIENTATION_HORIZONTAL, control->adjustment);
    g_signal_connect(control->widget, "change-value", G_CALLBACK(scrollChangeValue), control);
    g_signal_connect(control->widget, "button-press-event", G_CALLBACK(scrollButton), control);
    g_signal_connect(control->widget, "button-release-event", G_CALLBACK(scrollButton), control);
    gtk_widget_add_events(control->widget, GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK);
    g_signal_connect(control->widget, "key-press-event", G_CALLBACK(scrollKey), control);
    g_signal_connect(control->widget, "key-release-event", G_CALLBACK(scrollKey), control);
}

}  // namespace

// ---- Control windows ----------------------------------------------------------

ControlDeviceContext::ControlDeviceContext(ControlWindow* control) : PlatformDeviceContext(control) {}

void ControlDeviceContext::setPixel(int x, int y, COLORREF colour)
{
    auto* control = static_cast<ControlWindow*>(window);
    cairo_surface_t* surface = control->surface;
    if (surface == nullptr || x < 0 || y < 0 || x >= cairo_image_surface_get_width(surface) ||
        y >= cairo_image_surface_get_height(surface))
        return;
    unsigned char* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    const uint32_t pixel = 0xFF000000u | static_cast<uint32_t>(GetRValue(colour)) << 16 |
                           static_cast<uint32_t>(GetGValue(colour)) << 8 | GetBValue(colour);
    std::memcpy(row + 4 * x, &pixel, 4);
}

void ControlDeviceContext::fillRect(const RECT& rect, COLORREF colour)
{
    for (LONG y = rect.top; y < rect.bottom; ++y) {
        for (LONG x = rect.left; x < rect.right; ++x)
            setPixel(x, y, colour);
    }
}

LRESULT ControlWindow::deliver(UINT, WPARAM, LPARAM)
{
    // The program sends its controls nothing; they answer through GTK.
    return 0;
}

HDC ControlWindow::deviceContext()
{
    if (!ownDC)
        ownDC = std::make_unique<ControlDeviceContext>(this);
    return ownDC.get();
}

void ControlWindow::destroyNative()
{
    if (surface != nullptr)
        cairo_surface_destroy(surface);
    surface = nullptr;
    if (picture != nullptr)
        g_object_unref(picture);
    picture = nullptr;
    widget = nullptr;
}

bool ControlWindow::takesTabStop() const
{
    return (item->style & WS_TABSTOP) != 0 && widget != nullptr && gtk_widget_get_can_focus(widget) &&
           gtk_widget_is_sensitive(widget);
}

void createDialogControls(DialogWindow* dialog)
{
    const DialogTemplate* t = dialog->dialogTemplate;
    GSList* radioGroup = nullptr;
    GtkWidget* groupNone = nullptr;
    for (size_t i = 0; i < t->itemCount; ++i) {
        const DialogItemTemplate& item = t->items[i];
        // WS_GROUP starts a new group of radio buttons.
        if (item.style & WS_GROUP) {
            radioGroup = nullptr;
            groupNone = nullptr;
        }
        auto* control = new ControlWindow;
        control->dialog = dialog;
        control->item = &item;
        control->id = item.id;
        control->parent = dialog;
        control->className.assign(item.className, item.className + std::strlen(item.className));
        control->x = dialog->pixelsX(item.x);
        control->y = dialog->pixelsY(item.y);
        control->outerWidth = dialog->pixelsX(item.cx);
        control->outerHeight = dialog->pixelsY(item.cy);
        if (item.exStyle & WS_EX_STATICEDGE)
            control->edge = 1;
        platformAdoptWindow(control);
        dialog->controls.push_back(control);

        const char* text = item.text != nullptr ? item.text : "";
        if (sameClass(item.className, "Static"))
            makeStatic(control, text);
        else if (sameClass(item.className, "Button"))
            makeButton(control, text, &radioGroup, &groupNone);
        else if (sameClass(item.className, "Edit"))
            makeEdit(control, text);
        else if (sameClass(item.className, "ScrollBar"))
            makeScrollBar(control);
        else
            makeLabel(control, text);

        control->width = std::max<LONG>(0, control->outerWidth - 2 * control->edge);
        control->height = std::max<LONG>(0, control->outerHeight - 2 * control->edge);
        if (control->kind == ControlKind::OwnerStatic && control->width > 0 && control->height > 0) {
            control->surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, control->width, control->height);
            cairo_t* cr = cairo_create(control->surface);
            setSourceColour(cr, kButtonFace);
            cairo_paint(cr);
            cairo_destroy(cr);
        }
        // Only tab stops take the focus from the keyboard; the scroll bar
        // still takes it from a click, so its keys work.
        const bool focusable = (item.style & WS_TABSTOP) != 0 || control->kind == ControlKind::ScrollBar;
        gtk_widget_set_can_focus(control->widget, focusable && control->kind != ControlKind::Label &&
                                                      control->kind != ControlKind::GroupBox &&
                                                      control->kind != ControlKind::Bitmap);
        if (control->kind == ControlKind::OwnerStatic) {
            // Owner-drawn statics take no mouse input: clicks go to the dialog.
            gtk_widget_set_can_focus(control->widget, FALSE);
        }
        gtk_widget_set_size_request(control->widget, control->outerWidth, control->outerHeight);
        gtk_fixed_put(GTK_FIXED(dialog->fixed), control->widget, control->x, control->y);
    }
}

// ---- Control functions ---------------------------------------------------------

namespace {

ControlWindow* asControl(HWND window)
{
    if (!IsWindow(window))
        return nullptr;
    return dynamic_cast<ControlWindow*>(window);
}

void setScrollRange(ControlWindow* control, int minimum, int maximum, UINT page, int position)
{
    const double pageSize = std::max<UINT>(page, 1);
    const double upper = static_cast<double>(maximum) + 1;
    const double last = std::max<double>(minimum, upper - pageSize);
    const double value = std::clamp<double>(position, minimum, last);
    gtk_adjustment_configure(control->adjustment, value, minimum, upper, 1, std::max<UINT>(page, 1), pageSize);
}

}  // namespace

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned)
{
    ControlWindow* control = asControl(GetDlgItem(dialog, id));
    if (control == nullptr)
        return FALSE;
    char text[16];
    if (isSigned)
        g_snprintf(text, sizeof text, "%d", static_cast<int>(value));
    else
        g_snprintf(text, sizeof text, "%u", value);
    if (control->kind == ControlKind::Edit)
        gtk_entry_set_text(GTK_ENTRY(control->widget), text);  // EN_CHANGE follows, as on Windows
    else if (GTK_IS_LABEL(control->widget))
        gtk_label_set_text(GTK_LABEL(control->widget), text);
    else if (GTK_IS_BUTTON(control->widget))
        gtk_button_set_label(GTK_BUTTON(control->widget), text);
    return TRUE;
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned)
{
    ControlWindow* control = asControl(GetDlgItem(dialog, id));
    const char* text = nullptr;
    if (control != nullptr && control->kind == ControlKind::Edit)
        text = gtk_entry_get_text(GTK_ENTRY(control->widget));
    else if (control != nullptr && GTK_IS_LABEL(control->widget))
        text = gtk_label_get_text(GTK_LABEL(control->widget));
    return parseDialogInt(text, translated, isSigned);
}

BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId)
{
    auto* owner = dynamic_cast<DialogWindow*>(dialog);
    if (owner == nullptr || !IsWindow(dialog))
        return FALSE;
    ++owner->quietChanges;
    bool checked = false;
    GtkWidget* none = nullptr;
    for (ControlWindow* control : owner->controls) {
        if (control->kind != ControlKind::RadioButton || control->id < firstId || control->id > lastId)
            continue;
        none = control->noneRadio;
        if (control->id == checkId) {
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(control->widget), TRUE);
            checked = true;
        }
    }
    if (!checked && none != nullptr)
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(none), TRUE);
    --owner->quietChanges;
    return TRUE;
}

int SetScrollInfo(HWND window, int bar, LPCSCROLLINFO info, BOOL)
{
    ControlWindow* control = asControl(window);
    if (control == nullptr || control->adjustment == nullptr || bar != SB_CTL || info == nullptr)
        return 0;
    GtkAdjustment* a = control->adjustment;
    const double pageNow = gtk_adjustment_get_page_size(a);
    int minimum = static_cast<int>(gtk_adjustment_get_lower(a));
    int maximum = static_cast<int>(gtk_adjustment_get_upper(a) - 1);
    UINT page = static_cast<UINT>(pageNow <= 1 ? 0 : pageNow);
    int position = static_cast<int>(gtk_adjustment_get_value(a));
    if (info->fMask & SIF_RANGE) {
        minimum = info->nMin;
        maximum = std::max(info->nMin, info->nMax);
    }
    if (info->fMask & SIF_PAGE)
        page = info->nPage;
    if (info->fMask & SIF_POS)
        position = info->nPos;
    setScrollRange(control, minimum, maximum, page, position);
    return static_cast<int>(gtk_adjustment_get_value(a));
}

int SetScrollPos(HWND window, int bar, int position, BOOL)
{
    ControlWindow* control = asControl(window);
    if (control == nullptr || control->adjustment == nullptr || bar != SB_CTL)
        return 0;
    GtkAdjustment* a = control->adjustment;
    const int previous = static_cast<int>(gtk_adjustment_get_value(a));
    const double last = gtk_adjustment_get_upper(a) - gtk_adjustment_get_page_size(a);
    gtk_adjustment_set_value(a, std::clamp<double>(position, gtk_adjustment_get_lower(a),
                                                   std::max(gtk_adjustment_get_lower(a), last)));
    return previous;
}
