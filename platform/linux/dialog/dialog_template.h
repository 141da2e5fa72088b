// Dialog templates and bitmaps of the resource script, as the generator
// (cmake/rc_dialogs.py) turns them into tables: the layer's one copy of the
// dialogs that Gyrelle.scr carries as resources. Internal to the layer.
#pragma once

#include "platform/linux/winapi.h"

struct DialogItemTemplate {
    const char* className;  // "Static", "Button", "Edit", "ScrollBar"
    const char* text;       // null when the text is a resource number
    int textResource;       // that number (the bitmap of an SS_BITMAP static)
    int id;                 // -1 for controls without one
    DWORD style;
    DWORD exStyle;
    int x, y, cx, cy;  // dialog units
};

struct DialogTemplate {
    int resourceId;
    const char* caption;
    DWORD style;
    DWORD exStyle;
    int x, y, cx, cy;  // dialog units
    const char* fontName;
    int pointSize;
    const DialogItemTemplate* items;
    size_t itemCount;
};

struct BitmapResource {
    int resourceId;
    const unsigned char* data;  // the .bmp file
    size_t size;
};

// Null when the script has no such resource.
const DialogTemplate* platformFindDialogTemplate(int resourceId);
const BitmapResource* platformFindBitmap(int resourceId);
