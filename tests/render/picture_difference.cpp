#include "picture_difference.h"

#include <sstream>

std::string pictureDifference(const OffscreenPicture& first, const OffscreenPicture& second,
                              const char* firstName, const char* secondName)
{
    if (first.width != second.width || first.height != second.height ||
        first.rgba.size() != second.rgba.size())
        return "pictures of different sizes";
    for (size_t i = 0; i + 3 < first.rgba.size(); i += 4) {
        for (size_t c = 0; c < 3; ++c) {
            if (first.rgba[i + c] != second.rgba[i + c]) {
                const size_t pixel = i / 4;
                const size_t width = static_cast<size_t>(first.width > 0 ? first.width : 1);
                std::ostringstream out;
                out << "pixel " << pixel % width << "," << pixel / width << " channel " << c << ": "
                    << int(first.rgba[i + c]) << " " << firstName << ", " << int(second.rgba[i + c]) << " "
                    << secondName;
                return out.str();
            }
        }
    }
    return "";
}
