#include "support/CliRunner.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#ifndef BREVANE_CLI_PATH
#define BREVANE_CLI_PATH "brevane-cli"
#endif

namespace brevane::test {

namespace {

CliResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& input, const CliSetup& setup) {
    int inPipe[2], outPipe[2], errPipe[2];
    if (pipe(inPipe) != 0 || pipe(outPipe) != 0 || pipe(errPipe) != 0)
        throw std::runtime_error("pipe failed");
    if (setup.stdoutReaderGone) close(outPipe[0]);
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(inPipe[0], 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        for (int fd : {inPipe[0], inPipe[1], outPipe[1], errPipe[0], errPipe[1]}) close(fd);
        if (!setup.stdoutReaderGone) close(outPipe[0]);
        for (const std::string& entry : setup.env) putenv(strdup(entry.c_str()));
        setenv("CLI", BREVANE_CLI_PATH, 1);
        if (setup.uid >= 0) {
            const auto id = static_cast<uid_t>(setup.uid);
            if (setgroups(0, nullptr) != 0 || setgid(id) != 0 || setuid(id) != 0) _exit(126);
        }
        std::vector<char*> argv;
        std::vector<std::string> copies(args);
        copies.insert(copies.begin(), program);
        for (auto& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(inPipe[0]);
    close(outPipe[1]);
    close(errPipe[1]);
    fcntl(inPipe[1], F_SETFL, O_NONBLOCK);

    CliResult result;
    std::size_t written = 0;
    bool inOpen = true, outOpen = !setup.stdoutReaderGone, errOpen = true;
    if (input.empty()) {
        close(inPipe[1]);
        inOpen = false;
    }
    char buffer[65536];
    while (outOpen || errOpen) {
        pollfd fds[3];
        int count = 0;
        int outIndex = -1, errIndex = -1, inIndex = -1;
        if (outOpen) fds[outIndex = count++] = {outPipe[0], POLLIN, 0};
        if (errOpen) fds[errIndex = count++] = {errPipe[0], POLLIN, 0};
        if (inOpen) fds[inIndex = count++] = {inPipe[1], POLLOUT, 0};
        if (poll(fds, count, -1) < 0) break;
        auto drain = [&](int index, int fd, std::string& sink, bool& open) {
            if (index < 0 || !(fds[index].revents & (POLLIN | POLLHUP | POLLERR))) return;
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n <= 0) {
                open = false;
                close(fd);
            } else {
                sink.append(buffer, static_cast<std::size_t>(n));
            }
        };
        drain(outIndex, outPipe[0], result.out, outOpen);
        drain(errIndex, errPipe[0], result.err, errOpen);
        if (inIndex >= 0 && (fds[inIndex].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t n = write(inPipe[1], input.data() + written, input.size() - written);
            if (n > 0) written += static_cast<std::size_t>(n);
            if (n < 0 || written == input.size()) {
                close(inPipe[1]);
                inOpen = false;
            }
        }
    }
    if (inOpen) close(inPipe[1]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace

CliResult RunCli(const std::vector<std::string>& args, const std::string& input,
                 const CliSetup& setup) {
    return RunProgram(BREVANE_CLI_PATH, args, input, setup);
}

CliResult RunShell(const std::string& script, const std::string& input, const CliSetup& setup) {
    return RunProgram("/bin/sh", {"-c", script}, input, setup);
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "brevane-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::set<std::string> FolderEntries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

}  // namespace brevane::test
