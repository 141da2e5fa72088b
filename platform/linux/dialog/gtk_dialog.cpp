// Dialog templates run modally on GTK 3, and message boxes.
//
// A dialog is a GtkWindow holding a GtkFixed with the template's controls at
// the template's places, dialog units turned into pixels with the base
// units of the dialog's font, as Windows does. The dialog procedure gets the
// messages Windows would send it: WM_INITDIALOG, WM_SHOWWINDOW, WM_PAINT
// after every invalidation, WM_COMMAND from buttons, edits and the keyboard
// (Enter, Escape), WM_HSCROLL from scroll bars, WM_CTLCOLORBTN for
// owner-drawn buttons, mouse messages, and WM_CLOSE from the close box.
#include "gtk_dialog.h"

#include <glib-unix.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

// The dialogs now open, innermost last: GetFocus and SetFocus act on the
// innermost one, which is the one with the input.
std::vector<DialogWindow*>& openDialogs()
{
    static std::vector<DialogWindow*> dialogs;
    return dialogs;
}

DialogWindow* activeDialog()
{
    return openDialogs().empty() ? nullptr : openDialogs().back();
}

bool gtkReady()
{
    static const bool ready = [] {
        // The rest of the layer speaks X11 (cursor position, saver window),
        // so X11 comes first; Wayland only where no X server answers, which
        // only the settings dialog goes on without (main.cpp).
        gdk_set_allowed_backends("x11,wayland");
        if (!gtk_init_check(nullptr, nullptr))
            return false;
        // A click in a scroll bar's trough pages, as on Windows, instead
        // of jumping the thumb there.
        g_object_set(gtk_settings_get_default(), "gtk-primary-button-warps-slider", FALSE, nullptr);
        return true;
    }();
    return ready;
}

// The template's font on this system: the Windows dialog fonts are not
// here, so the desktop's sans-serif face stands in at the same size.
std::string fontFamily(const char* templateFont)
{
    const std::string name = templateFont != nullptr ? templateFont : "";
    if (name.empty() || name == "MS Shell Dlg" || name == "MS Shell Dlg 2" || name == "MS Sans Serif")
        return "Sans";
    return name;
}

// Base units as Windows takes them from the dialog font: the average width
// of the 52 letters, rounded, and the font's line height.
void measureBaseUnits(DialogWindow* dialog, const std::string& family, int points)
{
    PangoLayout* layout = gtk_widget_create_pango_layout(dialog->window, nullptr);
    PangoFontDescription* font = pango_font_description_new();
    pango_font_description_set_family(font, family.c_str());
    pango_font_description_set_size(font, points * PANGO_SCALE);
    pango_layout_set_font_description(layout, font);
    pango_layout_set_text(layout, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", -1);
    int width = 0;
    int height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    dialog->baseUnitX = std::max(1, (width / 26 + 1) / 2);
    dialog->baseUnitY = std::max(1, height);
    pango_font_description_free(font);
    g_object_unref(layout);
}

// Compact, classic-looking controls, so that they fit their template sizes.
std::string dialogCss(const std::string& family, int points)
{
    return ".gyrelle-dialog, .gyrelle-dialog * { font-family: \"" + family + "\"; font-size: " +
           std::to_string(points) +
           "pt; }\n"
           ".gyrelle-dialog button { min-height: 0; min-width: 0; padding: 0 4px; }\n"
           ".gyrelle-dialog radiobutton { padding: 0; min-height: 0; }\n"
           ".gyrelle-dialog radiobutton radio { min-width: 11px; min-height: 11px; margin: 0 4px 0 0; }\n"
           ".gyrelle-dialog entry { min-height: 0; padding: 0 3px; }\n"
           ".gyrelle-dialog frame > border { border-color: #c0c0c0; }\n"
           ".gyrelle-dialog scrollbar { -GtkScrollbar-has-backward-stepper: true;"
           " -GtkScrollbar-has-forward-stepper: true; background-color: #e8e8e8; }\n"
           ".gyrelle-dialog scrollbar slider { min-width: 12px; min-height: 8px; border-radius: 0;"
           " background-color: #a8a8a8; }\n"
           ".gyrelle-dialog scrollbar button { min-width: 14px; min-height: 8px; padding: 0; }\n";
}

LPARAM clientPoint(DialogWindow* dialog, double xRoot, double yRoot)
{
    gint originX = 0;
    gint originY = 0;
    gdk_window_get_origin(gtk_widget_get_window(dialog->window), &originX, &originY);
    return MAKELPARAM(static_cast<int>(xRoot) - originX, static_cast<int>(yRoot) - originY);
}

gboolean dialogButton(GtkWidget*, GdkEventButton* event, gpointer data)
{
    auto* dialog = static_cast<DialogWindow*>(data);
    if (event->type != GDK_BUTTON_PRESS || event->button != 1)
        return FALSE;
    notifyDialog(dialog, WM_LBUTTONDOWN, MK_LBUTTON, clientPoint(dialog, event->x_root, event->y_root));
    return TRUE;
}

gboolean dialogMotion(GtkWidget*, GdkEventMotion* event, gpointer data)
{
    auto* dialog = static_cast<DialogWindow*>(data);
    const WPARAM keys = (event->state & GDK_BUTTON1_MASK) ? MK_LBUTTON : 0;
    notifyDialog(dialog, WM_MOUSEMOVE, keys, clientPoint(dialog, event->x_root, event->y_root));
    return TRUE;
}

gboolean dialogDelete(GtkWidget*, GdkEvent*, gpointer data)
{
    notifyDialog(static_cast<DialogWindow*>(data), WM_CLOSE, 0, 0);
    return TRUE;  // the procedure decides; the window stays until EndDialog
}

// Tab moves through the tab stops in template order, as the dialog
// manager does, rather than in GTK's order by position.
void moveFocus(DialogWindow* dialog, bool backward)
{
    std::vector<ControlWindow*> stops;
    for (ControlWindow* control : dialog->controls) {
        if (control->takesTabStop())
            stops.push_back(control);
    }
    if (stops.empty())
        return;
    ControlWindow* current = dialog->controlOfWidget(gtk_window_get_focus(GTK_WINDOW(dialog->window)));
    auto it = std::find(stops.begin(), stops.end(), current);
    size_t next = 0;
    if (it == stops.end())
        next = backward ? stops.size() - 1 : 0;
    else if (backward)
        next = (static_cast<size_t>(it - stops.begin()) + stops.size() - 1) % stops.size();
    else
        next = (static_cast<size_t>(it - stops.begin()) + 1) % stops.size();
    ControlWindow* target = stops[next];
    // Into a radio group, Tab lands on the checked button.
    if (target->kind == ControlKind::RadioButton) {
        for (ControlWindow* control : dialog->controls) {
            if (control->kind == ControlKind::RadioButton && control->noneRadio == target->noneRadio &&
                gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(control->widget)))
                target = control;
        }
    }
    gtk_widget_grab_focus(target->widget);
}

gboolean dialogKey(GtkWidget*, GdkEventKey* event, gpointer data)
{
    auto* dialog = static_cast<DialogWindow*>(data);
    switch (event->keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter: {
        // A focused push button takes Enter; otherwise the default button,
        // or IDOK in a dialog without one.
        ControlWindow* focus = dialog->controlOfWidget(gtk_window_get_focus(GTK_WINDOW(dialog->window)));
        int id = dialog->defaultButtonId;
        LPARAM from = 0;
        if (focus != nullptr && focus->kind == ControlKind::PushButton)
            id = focus->id;
        if (ControlWindow* button = dialog->control(id))
            from = reinterpret_cast<LPARAM>(static_cast<HWND>(button));
        notifyDialog(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), from);
        return TRUE;
    }
    case GDK_KEY_Escape:
        notifyDialog(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return TRUE;
    case GDK_KEY_Tab:
    case GDK_KEY_KP_Tab:
    case GDK_KEY_ISO_Left_Tab:
        moveFocus(dialog, event->keyval == GDK_KEY_ISO_Left_Tab || (event->state & GDK_SHIFT_MASK));
        return TRUE;
    default:
        return FALSE;
    }
}

gboolean paintNow(gpointer data)
{
    auto* dialog = static_cast<DialogWindow*>(data);
    dialog->paintSource = 0;
    notifyDialog(dialog, WM_PAINT, 0, 0);
    if (dialog->window != nullptr)
        gtk_widget_queue_draw(dialog->window);
    return G_SOURCE_REMOVE;
}

DialogWindow* buildDialog(const DialogTemplate* dialogTemplate, HWND owner, DLGPROC proc)
{
    auto* dialog = new DialogWindow;
    dialog->dialogProc = proc;
    dialog->dialogTemplate = dialogTemplate;
    dialog->parent = owner;
    const char* caption = dialogTemplate->caption;
    dialog->title.assign(caption, caption + std::char_traits<char>::length(caption));
    platformAdoptWindow(dialog);

    dialog->window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    g_object_ref_sink(dialog->window);
    GtkWindow* window = GTK_WINDOW(dialog->window);
    gtk_window_set_title(window, caption);
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_modal(window, TRUE);
    gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
    if (dialogTemplate->exStyle & WS_EX_TOOLWINDOW)
        gtk_window_set_skip_taskbar_hint(window, TRUE);
    gtk_widget_set_app_paintable(dialog->window, FALSE);
    gtk_style_context_add_class(gtk_widget_get_style_context(dialog->window), "gyrelle-dialog");

    const std::string family = fontFamily(dialogTemplate->fontName);
    const int points = dialogTemplate->pointSize > 0 ? dialogTemplate->pointSize : 8;
    dialog->css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(dialog->css, dialogCss(family, points).c_str(), -1, nullptr);
    gtk_style_context_add_provider_for_screen(gtk_widget_get_screen(dialog->window),
                                              GTK_STYLE_PROVIDER(dialog->css),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    measureBaseUnits(dialog, family, points);

    dialog->width = dialog->pixelsX(dialogTemplate->cx);
    dialog->height = dialog->pixelsY(dialogTemplate->cy);
    dialog->fixed = gtk_fixed_new();
    gtk_widget_set_size_request(dialog->fixed, dialog->width, dialog->height);
    gtk_container_add(GTK_CONTAINER(window), dialog->fixed);
    createDialogControls(dialog);

    // Placed at the template's position in the owner's client area (the
    // screen when there is no owner dialog).
    LONG x = dialog->pixelsX(dialogTemplate->x);
    LONG y = dialog->pixelsY(dialogTemplate->y);
    if (auto* ownerDialog = dynamic_cast<DialogWindow*>(platformOwnWindow(owner)); ownerDialog != nullptr && IsWindow(owner)) {
        gtk_window_set_transient_for(window, GTK_WINDOW(ownerDialog->window));
        RECT ownerRect{};
        GetWindowRect(owner, &ownerRect);
        x += ownerRect.left;
        y += ownerRect.top;
    }
    dialog->x = x;
    dialog->y = y;
    gtk_window_move(window, x, y);

    gtk_widget_add_events(dialog->window, GDK_BUTTON_PRESS_MASK | GDK_POINTER_MOTION_MASK);
    g_signal_connect(dialog->window, "button-press-event", G_CALLBACK(dialogButton), dialog);
    g_signal_connect(dialog->window, "motion-notify-event", G_CALLBACK(dialogMotion), dialog);
    g_signal_connect(dialog->window, "delete-event", G_CALLBACK(dialogDelete), dialog);
    g_signal_connect(dialog->window, "key-press-event", G_CALLBACK(dialogKey), dialog);
    for (ControlWindow* control : dialog->controls) {
        if (control->kind != ControlKind::OwnerStatic)
            continue;
        // Without SS_NOTIFY a static is transparent to the mouse on Windows.
        gtk_widget_add_events(control->widget, GDK_BUTTON_PRESS_MASK | GDK_POINTER_MOTION_MASK);
        g_signal_connect(control->widget, "button-press-event", G_CALLBACK(dialogButton), dialog);
        g_signal_connect(control->widget, "motion-notify-event", G_CALLBACK(dialogMotion), dialog);
    }
    return dialog;
}

INT_PTR runDialog(int templateId, HWND owner, DLGPROC proc, LPARAM param)
{
    const DialogTemplate* dialogTemplate = platformFindDialogTemplate(templateId);
    if (dialogTemplate == nullptr || proc == nullptr || !gtkReady())
        return -1;
    DialogWindow* dialog = buildDialog(dialogTemplate, owner, proc);
    openDialogs().push_back(dialog);

    dialog->deliver(WM_INITDIALOG, 0, param);
    if (!dialog->ended) {
        dialog->deliver(WM_SHOWWINDOW, TRUE, 0);
        gtk_widget_show_all(dialog->window);
        // No control has the focus until the user gives it one: the
        // procedures set none at WM_INITDIALOG.
        gtk_window_set_focus(GTK_WINDOW(dialog->window), nullptr);
        gtk_window_present(GTK_WINDOW(dialog->window));
        dialog->invalidate();
    }
    if (!dialog->ended) {
        dialog->loop = g_main_loop_new(nullptr, FALSE);
        g_main_loop_run(dialog->loop);
        g_main_loop_unref(dialog->loop);
        dialog->loop = nullptr;
    }
    const INT_PTR result = dialog->result;
    openDialogs().pop_back();
    DestroyWindow(dialog);
    // The input goes back to the owner, as when a Windows dialog ends.
    if (auto* ownerDialog = dynamic_cast<DialogWindow*>(platformOwnWindow(owner)); ownerDialog != nullptr && IsWindow(owner))
        gtk_window_present(GTK_WINDOW(ownerDialog->window));
    // Let the window manager and X see the window go before returning.
    while (gtk_events_pending())
        gtk_main_iteration_do(FALSE);
    return result;
}

GtkMessageType messageType(UINT type)
{
    switch (type & 0xF0) {
    case MB_ICONERROR:
        return GTK_MESSAGE_ERROR;
    case MB_ICONWARNING:
        return GTK_MESSAGE_WARNING;
    default:
        return GTK_MESSAGE_INFO;
    }
}

int gtkMessageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    if (!gtkReady()) {
        std::fprintf(stderr, "%s: %s\n", caption != nullptr ? caption : "", text != nullptr ? text : "");
        return IDOK;
    }
    GtkWindow* parent = nullptr;
    if (auto* ownerDialog = dynamic_cast<DialogWindow*>(platformOwnWindow(owner)); ownerDialog != nullptr && IsWindow(owner))
        parent = GTK_WINDOW(ownerDialog->window);
    GtkWidget* box = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, messageType(type), GTK_BUTTONS_OK, "%s",
                                            text != nullptr ? text : "");
    gtk_window_set_title(GTK_WINDOW(box), caption != nullptr ? caption : "Error");
    // The box's own loop would never hear a termination signal: the signal
    // closes it, and the program then ends by that signal.
    const int signalFd = platformTerminationSignalFd();
    guint signalWatch = 0;
    if (signalFd >= 0) {
        signalWatch = g_unix_fd_add(signalFd, G_IO_IN, [](gint, GIOCondition, gpointer data) -> gboolean {
            gtk_dialog_response(GTK_DIALOG(data), GTK_RESPONSE_NONE);
            return G_SOURCE_CONTINUE;
        }, box);
    }
    gtk_dialog_run(GTK_DIALOG(box));
    if (signalWatch != 0)
        g_source_remove(signalWatch);
    gtk_widget_destroy(box);
    while (gtk_events_pending())
        gtk_main_iteration_do(FALSE);
    return IDOK;
}

// Message boxes go to GTK once this part of the layer is in the program;
// without a display they still fall back to standard error.
struct MessageBoxRegistration {
    MessageBoxRegistration() { platformSetMessageBoxHandler(gtkMessageBox); }
};
const MessageBoxRegistration messageBoxRegistration;

int templateNumber(uintptr_t name)
{
    // Only numbered templates (MAKEINTRESOURCE) are in the script.
    return name <= 0xFFFF ? static_cast<int>(name) : -1;
}

}  // namespace

// ---- Dialog windows -------------------------------------------------------------

LRESULT notifyDialog(DialogWindow* dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (dialog == nullptr || dialog->closing)
        return 0;
    return dialog->deliver(message, wParam, lParam);
}

LRESULT DialogWindow::deliver(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (closing || dialogProc == nullptr)
        return 0;
    return dialogProc(this, message, wParam, lParam);
}

void DialogWindow::destroyNative()
{
    closing = true;
    if (paintSource != 0)
        g_source_remove(paintSource);
    paintSource = 0;
    std::vector<GtkWidget*> hiddenRadios;
    for (ControlWindow* control : controls) {
        if (control->noneRadio != nullptr &&
            std::find(hiddenRadios.begin(), hiddenRadios.end(), control->noneRadio) == hiddenRadios.end())
            hiddenRadios.push_back(control->noneRadio);
    }
    if (window != nullptr) {
        gtk_widget_destroy(window);
        g_object_unref(window);
    }
    for (GtkWidget* radio : hiddenRadios) {
        gtk_widget_destroy(radio);
        g_object_unref(radio);
    }
    if (css != nullptr) {
        gtk_style_context_remove_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css));
        g_object_unref(css);
    }
    window = nullptr;
    fixed = nullptr;
    css = nullptr;
    controls.clear();
}

ControlWindow* DialogWindow::control(int id) const
{
    for (ControlWindow* c : controls) {
        if (c->id == id)
            return c;
    }
    return nullptr;
}

ControlWindow* DialogWindow::controlOfWidget(GtkWidget* widget) const
{
    for (; widget != nullptr; widget = gtk_widget_get_parent(widget)) {
        for (ControlWindow* c : controls) {
            if (c->widget == widget)
                return c;
        }
    }
    return nullptr;
}

void DialogWindow::invalidate()
{
    // Before GTK's own redraw, so the pixels written by WM_PAINT show at once.
    if (paintSource == 0 && !closing)
        paintSource = g_idle_add_full(G_PRIORITY_HIGH_IDLE + 10, paintNow, this, nullptr);
}

// ---- Dialog functions -------------------------------------------------------------

INT_PTR DialogBoxParamW(HINSTANCE, LPCWSTR templateName, HWND owner, DLGPROC proc, LPARAM param)
{
    return runDialog(templateNumber(reinterpret_cast<uintptr_t>(templateName)), owner, proc, param);
}

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND owner, DLGPROC proc, LPARAM param)
{
    return runDialog(templateNumber(reinterpret_cast<uintptr_t>(templateName)), owner, proc, param);
}

BOOL EndDialog(HWND window, INT_PTR result)
{
    auto* dialog = dynamic_cast<DialogWindow*>(window);
    if (dialog == nullptr || !IsWindow(window))
        return FALSE;
    dialog->ended = true;
    dialog->result = result;
    if (dialog->loop != nullptr)
        g_main_loop_quit(dialog->loop);
    return TRUE;
}

HWND GetDlgItem(HWND window, int id)
{
    auto* dialog = dynamic_cast<DialogWindow*>(window);
    if (dialog == nullptr || !IsWindow(window))
        return nullptr;
    return dialog->control(id);
}

int GetDlgCtrlID(HWND window)
{
    auto* control = dynamic_cast<ControlWindow*>(window);
    if (control == nullptr || !IsWindow(window))
        return 0;
    return control->id;
}

HWND GetFocus()
{
    DialogWindow* dialog = activeDialog();
    if (dialog == nullptr || dialog->window == nullptr)
        return nullptr;
    return dialog->controlOfWidget(gtk_window_get_focus(GTK_WINDOW(dialog->window)));
}

HWND SetFocus(HWND window)
{
    HWND previous = GetFocus();
    if (window == nullptr) {
        if (DialogWindow* dialog = activeDialog())
            gtk_window_set_focus(GTK_WINDOW(dialog->window), nullptr);
        return previous;
    }
    if (auto* control = dynamic_cast<ControlWindow*>(window); control != nullptr && IsWindow(window))
        gtk_widget_grab_focus(control->widget);
    return previous;
}

BOOL GetWindowRect(HWND window, LPRECT rect)
{
    if (rect == nullptr || !IsWindow(window))
        return FALSE;
    if (auto* dialog = dynamic_cast<DialogWindow*>(window)) {
        GdkWindow* native = gtk_widget_get_window(dialog->window);
        if (native == nullptr) {
            *rect = RECT{dialog->x, dialog->y, dialog->x + dialog->width, dialog->y + dialog->height};
            return TRUE;
        }
        gint x = 0;
        gint y = 0;
        gdk_window_get_origin(native, &x, &y);
        *rect = RECT{x, y, x + dialog->width, y + dialog->height};
        return TRUE;
    }
    if (auto* control = dynamic_cast<ControlWindow*>(window)) {
        RECT dialogRect{};
        GetWindowRect(control->dialog, &dialogRect);
        const LONG left = dialogRect.left + control->x;
        const LONG top = dialogRect.top + control->y;
        *rect = RECT{left, top, left + control->outerWidth, top + control->outerHeight};
        return TRUE;
    }
    // An offscreen window lies on no screen: the scene then follows no
    // monitors, whatever display the recorder or a test runs beside.
    if (!window->onScreen())
        return FALSE;
    *rect = window->screenRect();
    return TRUE;
}

BOOL RedrawWindow(HWND window, const RECT*, HRGN, UINT flags)
{
    if (!IsWindow(window) || !(flags & RDW_INVALIDATE))
        return FALSE;
    if (auto* dialog = dynamic_cast<DialogWindow*>(window)) {
        dialog->invalidate();
        return TRUE;
    }
    if (auto* control = dynamic_cast<ControlWindow*>(window)) {
        if (control->widget != nullptr)
            gtk_widget_queue_draw(control->widget);
        return TRUE;
    }
    return TRUE;
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX*)
{
    // The controls are made by GTK; there is nothing to register.
    return TRUE;
}
