#include "in_child.h"

#include <sys/wait.h>
#include <unistd.h>

std::string inChild(const std::function<std::string()>& scenario)
{
    int channel[2];
    if (pipe(channel) != 0)
        return "cannot make a pipe";
    const pid_t child = fork();
    if (child < 0)
        return "cannot fork";
    if (child == 0) {
        close(channel[0]);
        const std::string report = scenario();
        size_t written = 0;
        while (written < report.size()) {
            const ssize_t n = write(channel[1], report.data() + written, report.size() - written);
            if (n <= 0)
                _exit(2);
            written += static_cast<size_t>(n);
        }
        close(channel[1]);
        _exit(0);
    }
    close(channel[1]);
    std::string report;
    char buffer[4096];
    ssize_t n;
    while ((n = read(channel[0], buffer, sizeof buffer)) > 0)
        report.append(buffer, static_cast<size_t>(n));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        report += "child ended abnormally (status " + std::to_string(status) + ")";
    return report;
}
