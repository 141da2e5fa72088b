#include "render_helpers.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

std::string inChild(const std::function<std::string()>& scenario)
{
    int channel[2];
    if (pipe(channel) != 0)
        return "cannot make a pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const std::string report = scenario();
        FILE* out = fdopen(channel[1], "w");
        const bool whole = std::fwrite(report.data(), 1, report.size(), out) == report.size();
        _exit(std::fclose(out) == 0 && whole ? 0 : 2);
    }
    close(channel[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<size_t>(n));
    close(channel[0]);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        report += "child ended abnormally (status " + std::to_string(status) + ")";
    return report;
}

SceneWindow::SceneWindow(int width, int height, uint32_t seed, const Picture* desktop)
{
    useFixedSceneSeed(seed);
    window_ = createOffscreenWindow(width, height, SceneWindowProc, desktop);
    SendMessageW(window_, WM_CREATE, 0, 0);
}

void SceneWindow::frames(int count)
{
    for (int i = 0; i < count; ++i)
        SendMessageW(window_, WM_TIMER, 0, 0);
}

std::string pictureDifference(const Picture& first, const Picture& second,
                              const char* firstName, const char* secondName)
{
    if (first.width != second.width || first.height != second.height || first.rgba.size() != second.rgba.size())
        return "pictures of different sizes";
    for (size_t i = 0; i < first.rgba.size(); ++i) {
        if (i % 4 != 3 && first.rgba[i] != second.rgba[i]) {
            std::ostringstream out;
            out << "pixel " << i / 4 % first.width << "," << i / 4 / first.width << " channel " << i % 4 << ": "
                << int(first.rgba[i]) << " " << firstName << ", " << int(second.rgba[i]) << " " << secondName;
            return out.str();
        }
    }
    return "";
}

std::string makeTemporaryFolder(const std::string& name)
{
    const char* base = std::getenv("TMPDIR");
    std::string folder = std::string(base != nullptr ? base : "/tmp") + "/gyrelle-test-" + name + "-XXXXXX";
    if (mkdtemp(&folder[0]) == nullptr)
        ADD_FAILURE() << "cannot make a temporary folder";
    return folder;
}

void writeSettings(const std::string& configFolder, const std::vector<std::string>& valueLines)
{
    mkdir((configFolder + "/gyrelle").c_str(), 0755);
    std::ofstream file(configFolder + "/gyrelle/registry.reg");
    file << "Windows Registry Editor Version 5.00\r\n\r\n"
         << "[HKEY_LOCAL_MACHINE\\Software\\Orvanti\\Gyrelle Screen Saver]\r\n";
    for (const std::string& line : valueLines)
        file << line << "\r\n";
}

RecorderRun runGyrelle(const std::vector<std::string>& arguments, const std::string& configFolder,
                       const std::vector<std::string>& environment)
{
    const std::string errorsPath = configFolder + "/stderr.txt";
    const pid_t child = fork();
    if (child == 0) {
        setenv("XDG_CONFIG_HOME", configFolder.c_str(), 1);
        for (const std::string& setting : environment)
            putenv(strdup(setting.c_str()));
        dup2(open(errorsPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        std::vector<char*> argv = {const_cast<char*>(GYRELLE_BINARY)};
        for (const std::string& a : arguments)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    RecorderRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::ifstream errors(errorsPath);
    run.errors.assign(std::istreambuf_iterator<char>(errors), std::istreambuf_iterator<char>());
    return run;
}

Picture loadPicture(const std::string& path)
{
    Picture picture;
    std::string error;
    EXPECT_TRUE(readPng(path, 16384, picture, error)) << error;
    return picture;
}
