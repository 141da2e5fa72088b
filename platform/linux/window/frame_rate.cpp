// The frame rate over the scene, as XScreenSaver's display modes show it
// when started with --fps: white figures on a black plate in the
// lower-left corner, counted per window and updated about once a second.
//
// The figures are drawn from a small font of their own with glBitmap, so
// they need no X font and look the same on every server and offscreen.
// Every piece of GL state touched is saved and restored, so the scene's
// next frame is drawn exactly as without them.
#include "platform/linux/window_object.h"

#include <GL/gl.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>

namespace {

bool showFrameRate = false;

using Clock = std::chrono::steady_clock;

struct Counter {
    Clock::time_point since = Clock::now();
    long frames = 0;
    char text[16] = "-- fps";
};
// Windows may outlive static destruction (the queue's own statics end
// after this file's), so the counts are never destroyed.
std::map<const PlatformWindow*, Counter>& counters()
{
    static auto* instance = new std::map<const PlatformWindow*, Counter>;
    return *instance;
}

// 5 x 7 glyphs, top row first, drawn at twice the size.
constexpr int glyphWidth = 5;
constexpr int glyphHeight = 7;
constexpr int scale = 2;
constexpr int advance = (glyphWidth + 1) * scale;
constexpr int margin = 3;

struct Glyph {
    char character;
    const char* rows[glyphHeight];
};
const Glyph glyphs[] = {
    {'0', {" ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### "}},
    {'1', {"  #  ", " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "}},
    {'2', {" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"}},
    {'3', {"#####", "   # ", "  #  ", "   # ", "    #", "#   #", " ### "}},
    {'4', {"   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "}},
    {'5', {"#####", "#    ", "#### ", "    #", "    #", "#   #", " ### "}},
    {'6', {"  ## ", " #   ", "#    ", "#### ", "#   #", "#   #", " ### "}},
    {'7', {"#####", "    #", "   # ", "  #  ", " #   ", " #   ", " #   "}},
    {'8', {" ### ", "#   #", "#   #", " ### ", "#   #", "#   #", " ### "}},
    {'9', {" ### ", "#   #", "#   #", " ####", "    #", "   # ", " ##  "}},
    {'.', {"     ", "     ", "     ", "     ", "     ", " ##  ", " ##  "}},
    {'-', {"     ", "     ", "     ", "#####", "     ", "     ", "     "}},
    {'f', {"  ## ", " #  #", " #   ", "###  ", " #   ", " #   ", " #   "}},
    {'p', {"     ", "     ", "#### ", "#   #", "#### ", "#    ", "#    "}},
    {'s', {"     ", "     ", " ####", "#    ", " ### ", "    #", "#### "}},
};

// A glyph as glBitmap takes it: bottom row first, 4 bytes a row (the
// default unpack alignment, set below whatever the scene chose).
struct Bitmap {
    unsigned char bytes[glyphHeight * scale][4] = {};
};

const Bitmap* bitmapOf(char character)
{
    static std::map<char, Bitmap> bitmaps;
    if (bitmaps.empty()) {
        for (const Glyph& glyph : glyphs) {
            Bitmap& bitmap = bitmaps[glyph.character];
            for (int y = 0; y < glyphHeight * scale; ++y) {
                const char* row = glyph.rows[glyphHeight - 1 - y / scale];
                for (int x = 0; x < glyphWidth * scale; ++x) {
                    if (row[x / scale] == '#')
                        bitmap.bytes[y][x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
                }
            }
        }
    }
    auto it = bitmaps.find(character);
    return it != bitmaps.end() ? &it->second : nullptr;
}

void count(Counter& counter)
{
    ++counter.frames;
    const auto elapsed = std::chrono::duration<double>(Clock::now() - counter.since).count();
    if (elapsed < 1.0)
        return;
    std::snprintf(counter.text, sizeof counter.text, "%.1f fps", counter.frames / elapsed);
    counter.frames = 0;
    counter.since = Clock::now();
}

void draw(const char* text)
{
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, viewport[2], 0, viewport[3], -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    for (GLenum capability : {GL_TEXTURE_1D, GL_TEXTURE_2D, GL_LIGHTING, GL_DEPTH_TEST, GL_BLEND, GL_FOG,
                              GL_ALPHA_TEST, GL_CULL_FACE, GL_SCISSOR_TEST, GL_STENCIL_TEST, GL_COLOR_LOGIC_OP,
                              GL_DITHER})
        glDisable(capability);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);

    const int length = static_cast<int>(std::strlen(text));
    glColor3f(0.0f, 0.0f, 0.0f);
    glRecti(0, 0, 2 * margin + length * advance, 2 * margin + glyphHeight * scale);
    glColor3f(1.0f, 1.0f, 1.0f);
    glRasterPos2i(margin, margin);
    for (const char* c = text; *c != 0; ++c) {
        const Bitmap* bitmap = bitmapOf(*c);
        glBitmap(bitmap != nullptr ? glyphWidth * scale : 0, bitmap != nullptr ? glyphHeight * scale : 0, 0, 0,
                 advance, 0, bitmap != nullptr ? &bitmap->bytes[0][0] : nullptr);
    }

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
}

}  // namespace

void platformShowFrameRate(bool show)
{
    showFrameRate = show;
}

void platformDrawFrameRate(const PlatformWindow* window)
{
    if (!showFrameRate)
        return;
    Counter& counter = counters()[window];
    count(counter);
    draw(counter.text);
}

void platformForgetFrameRate(const PlatformWindow* window)
{
    counters().erase(window);
}
