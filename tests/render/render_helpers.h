// Shared by the rendering tests: scenes in child processes, the real
// program's recorder, and pictures compared pixel for pixel.
#pragma once

#include "linux_program/image_files.h"
#include "platform/linux/offscreen.h"
#include "scene/scene_window.h"

#include <functional>
#include <string>
#include <vector>

// The scene's objects live once per process, as in the saver; a scenario
// that creates its own scene window therefore runs in a forked child. The
// report is what the scenario returned, with a note added when the child
// ended abnormally: empty when all checks held.
std::string inChild(const std::function<std::string()>& scenario);

// A scene window as the saver makes it, with a fixed seed.
class SceneWindow {
public:
    SceneWindow(int width, int height, uint32_t seed, const Picture* desktop = nullptr);
    ~SceneWindow() { SendMessageW(window_, WM_CLOSE, 0, 0); }
    SceneWindow(const SceneWindow&) = delete;
    SceneWindow& operator=(const SceneWindow&) = delete;

    void frames(int count = 1);
    Picture picture() const { return readOffscreenFrame(window_); }

private:
    HWND window_;
};

// Where `first` and `second` differ in a colour channel ("pixel x,y channel
// c: a first, b second", with the names given), or "" when their colours are
// equal everywhere. Alpha is left out: the windows have none.
std::string pictureDifference(const Picture& first, const Picture& second,
                              const char* firstName = "first", const char* secondName = "second");

struct RecorderRun {
    int status = -1;
    std::string errors;
};

// A fresh, empty folder under the test's temporary directory.
std::string makeTemporaryFolder(const std::string& name);

// Writes registry.reg under configFolder: the saver's key with the given
// "Name"="text" lines.
void writeSettings(const std::string& configFolder, const std::vector<std::string>& valueLines);

// Runs `gyrelle <arguments>` with XDG_CONFIG_HOME = configFolder and the
// extra NAME=value settings of `environment`.
RecorderRun runGyrelle(const std::vector<std::string>& arguments, const std::string& configFolder,
                       const std::vector<std::string>& environment = {});

// Reads a PNG the recorder wrote; fails the test when it cannot.
Picture loadPicture(const std::string& path);
