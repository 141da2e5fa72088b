#include "recorder_run.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

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
    const std::string folder = configFolder + "/gyrelle";
    mkdir(folder.c_str(), 0755);
    std::ofstream file(folder + "/registry.reg");
    file << "Windows Registry Editor Version 5.00\r\n\r\n"
         << "[HKEY_LOCAL_MACHINE\\Software\\Orvanti\\Gyrelle Screen Saver]\r\n";
    for (const std::string& line : valueLines)
        file << line << "\r\n";
}

RecorderRun runGyrelle(const std::vector<std::string>& arguments, const std::string& configFolder,
                       const std::vector<std::string>& environment)
{
    RecorderRun run;
    const std::string errorsPath = configFolder + "/stderr.txt";
    const pid_t child = fork();
    if (child == 0) {
        setenv("XDG_CONFIG_HOME", configFolder.c_str(), 1);
        for (const std::string& setting : environment) {
            const size_t equals = setting.find('=');
            setenv(setting.substr(0, equals).c_str(), setting.substr(equals + 1).c_str(), 1);
        }
        const int errors = open(errorsPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(errors, 2);
        std::vector<char*> argv;
        std::string program = GYRELLE_BINARY;
        argv.push_back(&program[0]);
        std::vector<std::string> copies = arguments;
        for (std::string& a : copies)
            argv.push_back(&a[0]);
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::ifstream errors(errorsPath);
    run.errors.assign(std::istreambuf_iterator<char>(errors), std::istreambuf_iterator<char>());
    return run;
}

OffscreenPicture loadPicture(const std::string& path)
{
    OffscreenPicture picture;
    std::string error;
    EXPECT_TRUE(readPng(path, 16384, picture, error)) << error;
    return picture;
}
