#pragma once

#include <set>
#include <string>
#include <vector>

namespace brevane::test {

struct CliResult {
    int status = -1;  // exit status, or -1 when the process did not exit normally
    std::string out;
    std::string err;
};

// How a program is started, beyond its arguments and input.
struct CliSetup {
    std::vector<std::string> env;   // "NAME=VALUE" entries added to the environment
    int uid = -1;                   // when >= 0, run as this user id, with group id the same
    bool stdoutReaderGone = false;  // standard output is a pipe whose reader has closed it
};

// Runs build/brevane-cli with `args`, feeding `input` on standard input.
CliResult RunCli(const std::vector<std::string>& args, const std::string& input = {},
                 const CliSetup& setup = {});

// Runs `script` with /bin/sh -c; the environment variable CLI names build/brevane-cli.
CliResult RunShell(const std::string& script, const std::string& input = {},
                   const CliSetup& setup = {});

// The user id of "nobody", for running the program without root's privileges.
inline constexpr int NobodyUid = 65534;

// A fresh empty folder under the system's temporary folder, removed by the destructor.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// The names in a folder, hidden ones included.
std::set<std::string> FolderEntries(const std::string& folder);

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace brevane::test
