#include "support/TerminalRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#ifndef BREVANE_CLI_PATH
#define BREVANE_CLI_PATH "brevane-cli"
#endif

namespace brevane::test {

CliResult RunShellOnTerminal(const std::string& script) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        throw std::runtime_error("no pseudo-terminal");
    // This process keeps the terminal open as well, so that its reading end never sees a hang-up
    // while the child has yet to open it, or once the child has gone with bytes unread.
    const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    if (slave < 0) throw std::runtime_error("no pseudo-terminal");
    termios mode{};
    if (tcgetattr(slave, &mode) == 0) {
        cfmakeraw(&mode);
        tcsetattr(slave, TCSANOW, &mode);
    }
    int outPipe[2];
    if (pipe(outPipe) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int empty = open("/dev/null", O_RDONLY);
        if (empty < 0) _exit(126);
        dup2(empty, 0);
        dup2(outPipe[1], 1);
        dup2(slave, 2);
        for (int fd : {slave, empty, outPipe[0], outPipe[1], master}) close(fd);
        setenv("CLI", BREVANE_CLI_PATH, 1);
        execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(outPipe[1]);

    CliResult result;
    char buffer[65536];
    const auto readSome = [&](int fd, std::string& sink) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) sink.append(buffer, static_cast<std::size_t>(n));
        return n;
    };
    // Standard output ends when the script and every program it started have exited; the
    // terminal is read meanwhile, so that a full terminal never stops the child.
    for (bool outOpen = true; outOpen;) {
        pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {master, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[1].revents & POLLIN) readSome(master, result.err);
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR))
            outOpen = readSome(outPipe[0], result.out) > 0;
    }
    close(outPipe[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    while (readSome(master, result.err) > 0) {
    }
    close(slave);
    close(master);
    return result;
}

}  // namespace brevane::test
