#include "support/CliProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <utility>

extern char** environ;

namespace brevane::bench {

std::string BuiltProgram(const std::string& name) {
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / name)
        .string();
}

pid_t SpawnCli(const std::vector<std::string>& args) {
    return SpawnProgram(BuiltProgram("brevane-cli"), args);
}

pid_t SpawnProgram(const std::string& cli, const std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>(cli.c_str())};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    const int spawned = posix_spawnp(&pid, cli.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot run " + cli);
    return pid;
}

void ExpectExit(pid_t pid, int exitStatus, std::initializer_list<int> statuses) {
    if (!WIFEXITED(exitStatus) ||
        std::find(statuses.begin(), statuses.end(), WEXITSTATUS(exitStatus)) == statuses.end()) {
        throw std::runtime_error("brevane-cli " + std::to_string(pid) + " failed");
    }
}

double CliSeconds(const std::vector<std::string>& args) {
    return ProgramSeconds(BuiltProgram("brevane-cli"), args);
}

double ProgramSeconds(const std::string& program, const std::vector<std::string>& args) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = SpawnProgram(program, args);
    int exitStatus = 0;
    waitpid(pid, &exitStatus, 0);
    ExpectExit(pid, exitStatus, {0, 3});
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

const std::string& RowsFile(const std::string& key, std::uint64_t rows) {
    struct File {
        std::string path;
        File(const std::string& key, std::uint64_t rows)
            : path("/tmp/brevane-bench-rows-" + std::to_string(getpid()) + "-" +
                   std::to_string(rows) + ".txt") {
            CliSeconds(
                {"shuffle", std::to_string(rows), "--key", key, "--quiet", "--output", path});
        }
        ~File() { std::remove(path.c_str()); }
    };
    static std::map<std::pair<std::string, std::uint64_t>, File> files;
    const auto made = files.try_emplace({key, rows}, key, rows).first;
    return made->second.path;
}

const std::string& FiveMillionRowsFile(const std::string& key) {
    return RowsFile(key, 5'000'000);
}

}  // namespace brevane::bench
