// Comparing two read-back frames pixel for pixel.
#pragma once

#include "platform/offscreen.h"

#include <string>

// Where `first` and `second` differ in a colour channel, as "pixel x,y
// channel c: a first, b second" with the two names given, or "" when their
// colours are equal everywhere. Alpha is left out: the windows have none.
std::string pictureDifference(const OffscreenPicture& first, const OffscreenPicture& second,
                              const char* firstName = "first", const char* secondName = "second");
