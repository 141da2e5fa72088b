// The picture the shards are cut from on X: what lay on the screen under a
// new window, or the desktop XScreenSaver saved for the window it gave us.
//
// XScreenSaver fades the screen to black before it starts a display mode,
// so the screen under its window holds nothing worth shattering by then.
// Before fading, it copies the desktop into a pixmap and names that pixmap
// in the property _SCREENSAVER_SCREENSHOT (type PIXMAP, one 32-bit item)
// of the window it hands the display mode; its settings tool does the same
// for the preview pane, with a picture of the whole desktop.
#include "platform/linux/window/x11_window.h"

#include <X11/Xatom.h>

#include <algorithm>

namespace {

// Pixels beyond this are not read (the picture would cost gigabytes).
const int64_t maxCapturedPixels = 64ll * 1024 * 1024;

// Where each channel sits in a true-colour pixel, from the masks: any
// layout reads right.
struct ChannelLayout {
    unsigned long mask[3] = {0, 0, 0};
    int shift[3] = {0, 0, 0};
    double top[3] = {0, 0, 0};

    ChannelLayout(unsigned long red, unsigned long green, unsigned long blue)
    {
        const unsigned long masks[3] = {red, green, blue};
        for (int c = 0; c < 3; ++c) {
            mask[c] = masks[c];
            unsigned long bits = masks[c];
            while (bits != 0 && (bits & 1) == 0) {
                bits >>= 1;
                ++shift[c];
            }
            top[c] = static_cast<double>(bits);
        }
    }
    bool usable() const { return top[0] > 0 && top[1] > 0 && top[2] > 0; }
};

// A width x height picture, rows from the bottom up, whose pixel at window
// column x and row y (from the top) is the image's pixel that source(x, y,
// &column, &row) names, or black where it names none.
template <typename Source>
Picture pictureOf(XImage* image, const ChannelLayout& layout, int width, int height, Source source)
{
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.rgba.assign(static_cast<size_t>(width) * height * 4, 0);
    for (int y = 0; y < height; ++y) {
        uint8_t* out = &picture.rgba[static_cast<size_t>(height - 1 - y) * width * 4];
        for (int x = 0; x < width; ++x, out += 4) {
            out[3] = 255;
            int column = 0;
            int row = 0;
            if (!source(x, y, &column, &row))
                continue;
            const unsigned long pixel = XGetPixel(image, column, row);
            for (int c = 0; c < 3; ++c)
                out[c] = static_cast<uint8_t>(((pixel & layout.mask[c]) >> layout.shift[c]) * 255.0 / layout.top[c] + 0.5);
        }
    }
    return picture;
}

// The pixmap XScreenSaver saved for the window, or 0.
Pixmap savedScreenshot(Display* display, Window window)
{
    const Atom property = XInternAtom(display, "_SCREENSAVER_SCREENSHOT", True);
    if (property == None)
        return 0;
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    Pixmap pixmap = 0;
    if (XGetWindowProperty(display, window, property, 0, 1, False, XA_PIXMAP, &type, &format, &count, &after,
                           &data) == Success &&
        type == XA_PIXMAP && format == 32 && count == 1 && data != nullptr)
        pixmap = static_cast<Pixmap>(reinterpret_cast<unsigned long*>(data)[0]);
    if (data != nullptr)
        XFree(data);
    return pixmap;
}

}  // namespace

Picture captureUnder(Display* display, Window parent, int x, int y, int width, int height)
{
    const Window root = DefaultRootWindow(display);
    int rootX = x;
    int rootY = y;
    if (parent != 0) {
        Window child = 0;
        if (!XTranslateCoordinates(display, parent, root, x, y, &rootX, &rootY, &child))
            return Picture{};
    }
    XWindowAttributes rootAttributes;
    if (!XGetWindowAttributes(display, root, &rootAttributes))
        return Picture{};
    if (static_cast<int64_t>(width) * height > maxCapturedPixels)
        return Picture{};
    const int64_t left = std::max<int64_t>(rootX, 0);
    const int64_t top = std::max<int64_t>(rootY, 0);
    const int64_t right = std::min<int64_t>(static_cast<int64_t>(rootX) + width, rootAttributes.width);
    const int64_t bottom = std::min<int64_t>(static_cast<int64_t>(rootY) + height, rootAttributes.height);
    if (right <= left || bottom <= top)
        return Picture{};
    XImage* image = XGetImage(display, root, static_cast<int>(left), static_cast<int>(top),
                              static_cast<unsigned>(right - left), static_cast<unsigned>(bottom - top),
                              AllPlanes, ZPixmap);
    if (image == nullptr)
        return Picture{};
    Picture picture;
    const ChannelLayout layout(image->red_mask, image->green_mask, image->blue_mask);
    if (layout.usable()) {
        // Parts of the window off the screen stay black.
        picture = pictureOf(image, layout, width, height, [&](int column, int row, int* fromColumn, int* fromRow) {
            *fromColumn = static_cast<int>(rootX + column - left);
            *fromRow = static_cast<int>(rootY + row - top);
            return *fromColumn >= 0 && *fromColumn < image->width && *fromRow >= 0 && *fromRow < image->height;
        });
    }
    XDestroyImage(image);
    return picture;
}

Picture xscreensaverPicture(Display* display, Window window, int width, int height)
{
    const Pixmap pixmap = savedScreenshot(display, window);
    Window root = 0;
    int x = 0;
    int y = 0;
    unsigned pixmapWidth = 0;
    unsigned pixmapHeight = 0;
    unsigned border = 0;
    unsigned depth = 0;
    // The pixmap is XScreenSaver's; it may be gone already.
    if (pixmap == 0 || !XGetGeometry(display, pixmap, &root, &x, &y, &pixmapWidth, &pixmapHeight, &border, &depth))
        return Picture{};
    if (static_cast<int64_t>(pixmapWidth) * pixmapHeight > maxCapturedPixels ||
        static_cast<int64_t>(width) * height > maxCapturedPixels)
        return Picture{};
    XImage* image = XGetImage(display, pixmap, 0, 0, pixmapWidth, pixmapHeight, AllPlanes, ZPixmap);
    if (image == nullptr)
        return Picture{};
    // A pixmap has no visual, so the image carries no channel masks: the
    // picture was copied from the screen, whose default visual says them.
    Visual* visual = DefaultVisual(display, DefaultScreen(display));
    const bool ownMasks = image->red_mask != 0;
    const ChannelLayout layout(ownMasks ? image->red_mask : visual->red_mask,
                               ownMasks ? image->green_mask : visual->green_mask,
                               ownMasks ? image->blue_mask : visual->blue_mask);
    Picture picture;
    if (layout.usable() && static_cast<unsigned>(image->depth) == depth) {
        picture = pictureOf(image, layout, image->width, image->height, [](int column, int row, int* fromColumn,
                                                                           int* fromRow) {
            *fromColumn = column;
            *fromRow = row;
            return true;
        });
    }
    XDestroyImage(image);
    // The whole desktop, stretched to the window.
    return stretchNearest(picture, width, height);
}

Picture takeDesktopPicture(HWND window)
{
    PlatformWindow* own = platformOwnWindow(window);
    return own != nullptr ? own->takeDesktopPicture() : Picture{};
}
