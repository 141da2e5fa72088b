#include "image_files.h"

#include <gif_lib.h>
#include <png.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

bool readPng(const std::string& path, int maxSide, Picture& picture, std::string& error)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        error = "cannot read PNG picture " + path + ": " + image.message;
        return false;
    }
    if (image.width == 0 || image.height == 0 || image.width > static_cast<png_uint_32>(maxSide) ||
        image.height > static_cast<png_uint_32>(maxSide)) {
        png_image_free(&image);
        error = "PNG picture " + path + " must be 1 to " + std::to_string(maxSide) + " pixels a side";
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgba.assign(PNG_IMAGE_SIZE(image), 0);
    // A negative stride stores the top row last: bottom-up, as OpenGL wants.
    const png_int_32 stride = -static_cast<png_int_32>(PNG_IMAGE_ROW_STRIDE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgba.data(), stride, nullptr)) {
        error = "cannot decode PNG picture " + path + ": " + image.message;
        png_image_free(&image);
        return false;
    }
    return true;
}

bool writePng(const std::string& path, const Picture& picture, std::string& error)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_RGB;
    // Alpha plays no part in what the saver shows; drop it.
    std::vector<uint8_t> rgb(static_cast<size_t>(picture.width) * picture.height * 3);
    for (size_t i = 0, n = static_cast<size_t>(picture.width) * picture.height; i < n; ++i)
        std::memcpy(&rgb[i * 3], &picture.rgba[i * 4], 3);
    const png_int_32 stride = -static_cast<png_int_32>(picture.width * 3);
    if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), stride, nullptr)) {
        error = "cannot write " + path + ": " + image.message;
        return false;
    }
    return true;
}

struct GifWriter::State {
    GifFileType* file = nullptr;
    int width = 0;
    int height = 0;
};

GifWriter::GifWriter() : state_(std::make_unique<State>()) {}

GifWriter::~GifWriter()
{
    if (state_->file != nullptr) {
        int code = 0;
        EGifCloseFile(state_->file, &code);
    }
}

bool GifWriter::open(const std::string& path, int width, int height, std::string& error)
{
    // Opened here rather than by giflib, which would ignore the umask.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    int code = 0;
    state_->file = EGifOpenFileHandle(fd, &code);
    if (state_->file == nullptr) {
        ::close(fd);
        error = "cannot write " + path + ": " + GifErrorString(code);
        return false;
    }
    state_->width = width;
    state_->height = height;
    EGifSetGifVersion(state_->file, true);
    if (EGifPutScreenDesc(state_->file, width, height, 8, 0, nullptr) == GIF_ERROR) {
        error = "cannot write " + path + ": " + GifErrorString(state_->file->Error);
        return false;
    }
    // The application extension that makes viewers loop the animation.
    static const char application[] = "NETSCAPE2.0";
    static const unsigned char loopForever[] = {1, 0, 0};
    if (EGifPutExtensionLeader(state_->file, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(state_->file, 11, application) == GIF_ERROR ||
        EGifPutExtensionBlock(state_->file, 3, loopForever) == GIF_ERROR ||
        EGifPutExtensionTrailer(state_->file) == GIF_ERROR) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

bool GifWriter::addFrame(const Picture& frame, int delayCentiseconds, std::string& error)
{
    const int width = state_->width;
    const int height = state_->height;
    const size_t count = static_cast<size_t>(width) * height;
    // Top row first, as GIF stores it.
    std::vector<GifByteType> red(count), green(count), blue(count), indices(count);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = &frame.rgba[static_cast<size_t>(height - 1 - y) * width * 4];
        for (int x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            red[i] = row[x * 4];
            green[i] = row[x * 4 + 1];
            blue[i] = row[x * 4 + 2];
        }
    }
    int colours = 256;
    GifColorType palette[256];
    if (GifQuantizeBuffer(width, height, &colours, red.data(), green.data(), blue.data(), indices.data(),
                          palette) == GIF_ERROR) {
        error = "cannot reduce a frame to 256 colours";
        return false;
    }
    ColorMapObject* map = GifMakeMapObject(256, palette);
    if (map == nullptr) {
        error = "out of memory";
        return false;
    }
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.DelayTime = delayCentiseconds;
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    const size_t extensionLength = EGifGCBToExtension(&control, extension);
    bool ok = EGifPutExtension(state_->file, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(extensionLength),
                               extension) != GIF_ERROR &&
              EGifPutImageDesc(state_->file, 0, 0, width, height, false, map) != GIF_ERROR;
    for (int y = 0; ok && y < height; ++y)
        ok = EGifPutLine(state_->file, &indices[static_cast<size_t>(y) * width], width) != GIF_ERROR;
    GifFreeMapObject(map);
    if (!ok)
        error = "cannot write a GIF frame: " + std::string(GifErrorString(state_->file->Error));
    return ok;
}

bool GifWriter::close(std::string& error)
{
    int code = 0;
    GifFileType* file = state_->file;
    state_->file = nullptr;
    if (file != nullptr && EGifCloseFile(file, &code) == GIF_ERROR) {
        error = std::string("cannot finish the GIF file: ") + GifErrorString(code);
        return false;
    }
    return true;
}
