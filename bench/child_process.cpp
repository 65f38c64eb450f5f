// A value measured in a forked child, sent back through a pipe.
#include "child_process.h"

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

double valueInChildProcess(const std::function<double()>& measure)
{
    int channel[2];
    if (pipe(channel) != 0)
        return -1.0;
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const double value = measure();
        const bool sent = write(channel[1], &value, sizeof value) == static_cast<ssize_t>(sizeof value);
        _exit(sent ? 0 : 1);
    }
    close(channel[1]);
    double value = -1.0;
    if (child < 0 || read(channel[0], &value, sizeof value) != static_cast<ssize_t>(sizeof value))
        value = -1.0;
    close(channel[0]);
    if (child > 0)
        waitpid(child, nullptr, 0);
    return value;
}
