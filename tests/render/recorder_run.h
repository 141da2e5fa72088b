// Runs the real program's recorder in a child process, with its own
// settings folder, and reads back what it wrote.
#pragma once

#include "host/image_files.h"

#include <string>
#include <vector>

struct RecorderRun {
    int status = -1;
    std::string errors;
};

// A fresh, empty folder under the test's temporary directory.
std::string makeTemporaryFolder(const std::string& name);

// Writes registry.reg for the child: the saver's settings key with the given
// "Name"="text" lines.
void writeSettings(const std::string& configFolder, const std::vector<std::string>& valueLines);

// Runs `gyrelle <arguments>` with XDG_CONFIG_HOME = configFolder and the
// extra NAME=value settings of `environment`.
RecorderRun runGyrelle(const std::vector<std::string>& arguments, const std::string& configFolder,
                       const std::vector<std::string>& environment = {});

// Reads a PNG the recorder wrote; fails the test when it cannot.
OffscreenPicture loadPicture(const std::string& path);
