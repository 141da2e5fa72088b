// The frame rate over the scene, as XScreenSaver's display modes show it
// when started with --fps.
#include "platform/linux/window_object.h"

namespace {

bool showFrameRate = false;

}  // namespace

void platformShowFrameRate(bool show)
{
    showFrameRate = show;
}
