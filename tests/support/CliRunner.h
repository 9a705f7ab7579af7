#pragma once

#include <string>
#include <vector>

namespace brevane::test {

struct CliResult {
    int status = -1;  // exit status, or -1 when the process did not exit normally
    std::string out;
    std::string err;
};

// Runs build/brevane-cli with `args`, feeding `input` on standard input.
CliResult RunCli(const std::vector<std::string>& args, const std::string& input = {});

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

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace brevane::test
