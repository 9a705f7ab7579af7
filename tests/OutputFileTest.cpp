#include "os/OutputFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>

#include "os/OutputTarget.h"
#include "os/SignalCleanup.h"
#include "support/CliRunner.h"

namespace brevane {
namespace {

namespace fs = std::filesystem;
using test::FolderEntries;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

void WriteText(ReplacingFile& file, const std::string& text) {
    file.Out().Write(text.data(), text.size());
}

// Writes `text` to `path` and commits.
void Replace(const std::string& path, const std::string& text,
             PendingNaming naming = PendingNaming::UnnamedWherePossible) {
    ReplacingFile file(path, nullptr, naming);
    WriteText(file, text);
    file.Commit();
}

int ErrorOf(const std::string& path) {
    try {
        Replace(path, "new");
    } catch (const std::system_error& e) {
        return e.code().value();
    }
    return 0;
}

TEST(OutputFileTest, DescriptorPathsAreFoundThroughEveryLink) {
    TempDir dir;
    fs::create_symlink("/dev/stdout", dir.File("out"));
    fs::create_symlink("out", dir.File("out-again"));
    for (const auto& [path, fd] : std::initializer_list<std::pair<std::string, int>>{
             {"/dev/stdout", 1},
             {"/dev/stderr", 2},
             {"/dev/fd/7", 7},
             {"/proc/self/fd/12", 12},
             {"/proc/thread-self/fd/3", 3},
             {"/proc/" + std::to_string(getpid()) + "/fd/4", 4},
             {dir.File("out-again"), 1}}) {
        const OutputTarget target = ResolveOutputTarget(path);
        EXPECT_EQ(target.descriptor, fd) << path;
        EXPECT_EQ(target.error, 0) << path;
    }
    // Another process's descriptors are not this one's.
    EXPECT_EQ(ResolveOutputTarget("/proc/1/fd/1").descriptor == 1, getpid() == 1);
}

TEST(OutputFileTest, LinksAreFollowedToTheirLastTarget) {
    TempDir dir;
    fs::create_directory(dir.File("sub"));
    fs::create_symlink("sub/b", dir.File("a"));
    fs::create_symlink("../c.txt", dir.File("sub/b"));
    const std::string real = fs::canonical(dir.Path()).string();
    EXPECT_EQ(ResolveOutputTarget(dir.File("a")).path, real + "/c.txt");
    EXPECT_EQ(ResolveOutputTarget(dir.File("sub/../plain.txt")).path, real + "/plain.txt");
    EXPECT_EQ(ResolveOutputTarget("relative.txt").path,
              fs::current_path().string() + "/relative.txt");
    EXPECT_EQ(ResolveOutputTarget(dir.File("missing/x.txt")).path, dir.File("missing/x.txt"));
    EXPECT_EQ(ResolveOutputTarget(dir.File("sub/")).path, dir.File("sub/"));

    fs::create_symlink("loop2", dir.File("loop1"));
    fs::create_symlink("loop1", dir.File("loop2"));
    EXPECT_EQ(ResolveOutputTarget(dir.File("loop1")).error, ELOOP);
    EXPECT_EQ(ErrorOf(dir.File("loop1")), ELOOP);
    EXPECT_TRUE(fs::is_symlink(dir.File("loop1")));
}

// The descriptor keeps its position and its append flag: nothing before it is lost.
TEST(OutputFileTest, DescriptorIsWrittenWhereItStands) {
    TempDir dir;
    const std::string path = dir.File("log.txt");
    WriteFileBytes(path, "first\n");
    const int append = open(path.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(append, 0);
    Replace("/dev/fd/" + std::to_string(append), "second\n");
    const int positioned = open(path.c_str(), O_WRONLY);
    ASSERT_GE(positioned, 0);
    ASSERT_EQ(lseek(positioned, 3, SEEK_SET), 3);
    Replace("/proc/self/fd/" + std::to_string(positioned), "ST");
    EXPECT_EQ(ReadFileBytes(path), "firST\nsecond\n");
    // The descriptors stay open for their owner.
    EXPECT_EQ(write(append, "third\n", 6), 6);
    close(append);
    close(positioned);
    EXPECT_EQ(ReadFileBytes(path), "firST\nsecond\nthird\n");
    EXPECT_EQ(FolderEntries(dir.Path()), std::set<std::string>{"log.txt"});
}

TEST(OutputFileTest, DescriptorThatCannotTakeOutputIsRefused) {
    TempDir dir;
    WriteFileBytes(dir.File("input.txt"), "keep");
    const int input = open(dir.File("input.txt").c_str(), O_RDONLY);
    ASSERT_GE(input, 0);
    EXPECT_EQ(ErrorOf("/dev/fd/" + std::to_string(input)), EBADF);
    close(input);
    EXPECT_EQ(ErrorOf("/dev/fd/" + std::to_string(input)), ENOENT);
    EXPECT_EQ(ReadFileBytes(dir.File("input.txt")), "keep");
}

// Root may write any file, so for root the replacement goes ahead, as open would.
TEST(OutputFileTest, ReadOnlyTargetIsReplacedOnlyWhereOpenCouldWriteIt) {
    TempDir dir;
    const std::string path = dir.File("locked.txt");
    WriteFileBytes(path, "old");
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    const bool writable = access(path.c_str(), W_OK) == 0;
    EXPECT_EQ(ErrorOf(path), writable ? 0 : EACCES);
    EXPECT_EQ(ReadFileBytes(path), writable ? "new" : "old");
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0444u);
}

TEST(OutputFileTest, PendingFileStaysOutOfSightUntilCommitted) {
    TempDir dir;
    const std::string path = dir.File("out.txt");
    WriteFileBytes(path, "old");
    {
        ReplacingFile hidden(path, nullptr, PendingNaming::Hidden);
        WriteText(hidden, "dropped");
        hidden.Out().Flush();
        EXPECT_EQ(FolderEntries(dir.Path()).size(), 2u) << "a hidden name beside the target";
    }
    EXPECT_EQ(FolderEntries(dir.Path()), std::set<std::string>{"out.txt"});
    EXPECT_EQ(ReadFileBytes(path), "old");

    ReplacingFile unnamed(path, nullptr);
    WriteText(unnamed, "new");
    unnamed.Out().Flush();
    // ext4 and tmpfs, where the tests run, can make files without a name.
    EXPECT_EQ(FolderEntries(dir.Path()), std::set<std::string>{"out.txt"});
    EXPECT_EQ(ReadFileBytes(path), "old");
    unnamed.Commit();
    EXPECT_EQ(ReadFileBytes(path), "new");
    EXPECT_EQ(FolderEntries(dir.Path()), std::set<std::string>{"out.txt"});
}

// In a child process: arms the cleanup (with `ignored` set to be ignored first), writes a
// hidden pending file over `path`, then raises `signal`. Exits 0 when the signal did not end
// it and the file was committed; 3 when no hidden file was there to remove; 4 on an error.
pid_t WriteAndRaise(const std::string& path, int signal, int ignored = 0) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    try {
        if (ignored != 0) std::signal(ignored, SIG_IGN);
        RemoveTemporaryFilesOnSignals();
        ReplacingFile file(path, nullptr, PendingNaming::Hidden);
        WriteText(file, std::string(100000, 'n'));
        file.Out().Flush();
        if (FolderEntries(fs::path(path).parent_path().string()).size() != 2) _exit(3);
        raise(signal);
        file.Commit();
    } catch (...) {
        _exit(4);
    }
    _exit(0);
}

TEST(OutputFileTest, InterruptRemovesTheHiddenFile) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        TempDir dir;
        const std::string path = dir.File("out.txt");
        WriteFileBytes(path, "old");
        const pid_t pid = WriteAndRaise(path, signal);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
        EXPECT_EQ(WTERMSIG(status), signal);
        EXPECT_EQ(FolderEntries(dir.Path()), std::set<std::string>{"out.txt"}) << signal;
        EXPECT_EQ(ReadFileBytes(path), "old");
    }
}

// A write past the file size limit (ulimit -f) ends the process by SIGXFSZ in the middle of
// the hidden file, which goes with it; the old file stays.
TEST(OutputFileTest, FileSizeLimitRemovesTheHiddenFile) {
    TempDir dir;
    const std::string path = dir.File("out.txt");
    WriteFileBytes(path, "old");
    const pid_t pid = fork();
    if (pid == 0) {
        try {
            RemoveTemporaryFilesOnSignals();
            const rlimit limit{50000, 50000};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(4);
            ReplacingFile file(path, nullptr, PendingNaming::Hidden);
            WriteText(file, std::string(100000, 'n'));
            file.Out().Flush();
            file.Commit();
        } catch (...) {
            _exit(3);
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
    EXPECT_EQ(FolderEntries(dir.Path()), std::set<std::string>{"out.txt"});
    EXPECT_EQ(ReadFileBytes(path), "old");
}

TEST(OutputFileTest, IgnoredSignalStaysIgnored) {
    TempDir dir;
    const std::string path = dir.File("out.txt");
    WriteFileBytes(path, "old");
    const pid_t pid = WriteAndRaise(path, SIGHUP, SIGHUP);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFileBytes(path), std::string(100000, 'n'));
}

// A write that fails as a full file size limit makes it fail.
ssize_t TooLargeWrite(int, const void*, std::size_t) {
    errno = EFBIG;
    return -1;
}

// The second file's write fails: neither target changes, whether it held a file or none.
TEST(OutputFileTest, FilesCommittedTogetherStayOldWhenOneCannotBeWritten) {
    TempDir dir;
    const std::string first = dir.File("map.csv");
    const std::string second = dir.File("map.csv.json");
    for (const bool oldFirst : {true, false}) {
        if (oldFirst) WriteFileBytes(first, "old csv");
        WriteFileBytes(second, "old json");
        ReplacingFile a(first);
        ReplacingFile b(second, &TooLargeWrite);
        WriteText(a, "new csv");
        WriteText(b, "new json");
        ReplacingFile* const both[] = {&a, &b};
        try {
            CommitTogether(both);
            ADD_FAILURE() << "the failed write was not reported";
        } catch (const std::system_error& e) {
            EXPECT_EQ(e.code().value(), EFBIG);
            EXPECT_NE(std::string(e.what()).find(second), std::string::npos) << e.what();
        }
        EXPECT_EQ(fs::exists(first), oldFirst);
        if (oldFirst) {
            EXPECT_EQ(ReadFileBytes(first), "old csv");
        }
        EXPECT_EQ(ReadFileBytes(second), "old json");
        EXPECT_EQ(FolderEntries(dir.Path()).size(), oldFirst ? 2u : 1u);
        fs::remove(first);
    }
}

// Putting the second file in place fails (its target became a folder after it was opened):
// the first, already in place, gets its old file back, or goes when there was none.
TEST(OutputFileTest, FilesCommittedTogetherAreTakenBackWhenOneCannotBePutInPlace) {
    for (const PendingNaming naming :
         {PendingNaming::UnnamedWherePossible, PendingNaming::Hidden}) {
        for (const bool oldFirst : {true, false}) {
            TempDir dir;
            const std::string first = dir.File("a.txt");
            const std::string second = dir.File("b.txt");
            if (oldFirst) WriteFileBytes(first, "old a");
            ReplacingFile a(first, nullptr, naming);
            ReplacingFile b(second, nullptr, naming);
            WriteText(a, "new a");
            WriteText(b, "new b");
            fs::create_directory(second);
            ReplacingFile* const both[] = {&a, nullptr, &b};
            try {
                CommitTogether(both);
                ADD_FAILURE() << "the failed rename was not reported";
            } catch (const std::system_error& e) {
                EXPECT_EQ(e.code().value(), EISDIR);
            }
            EXPECT_EQ(fs::exists(first), oldFirst);
            if (oldFirst) {
                EXPECT_EQ(ReadFileBytes(first), "old a");
            }
            EXPECT_TRUE(fs::is_empty(second));
            const std::set<std::string> left =
                oldFirst ? std::set<std::string>{"a.txt", "b.txt"} : std::set<std::string>{"b.txt"};
            EXPECT_EQ(FolderEntries(dir.Path()), left);
        }
    }
}

TEST(OutputFileTest, FilesCommittedTogetherReplaceTheirTargetsAndKeepNothingElse) {
    TempDir dir;
    WriteFileBytes(dir.File("a.txt"), "old a");
    ASSERT_EQ(chmod(dir.File("a.txt").c_str(), 0600), 0);
    ReplacingFile a(dir.File("a.txt"));
    ReplacingFile b(dir.File("b.txt"), nullptr, PendingNaming::Hidden);
    WriteText(a, "new a");
    WriteText(b, "new b");
    ReplacingFile* const both[] = {&a, &b};
    CommitTogether(both);
    EXPECT_EQ(ReadFileBytes(dir.File("a.txt")), "new a");
    EXPECT_EQ(ReadFileBytes(dir.File("b.txt")), "new b");
    EXPECT_EQ(FolderEntries(dir.Path()), (std::set<std::string>{"a.txt", "b.txt"}));
    struct stat info {};
    ASSERT_EQ(stat(dir.File("a.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
}

// One file, whatever the link or spelling that leads to it; a file not yet made is one file
// with another path that leads to the same place.
TEST(OutputFileTest, WritesOverKnowsAFileByEveryName) {
    TempDir dir;
    const std::string rows = dir.File("rows.txt");
    WriteFileBytes(rows, "rows");
    fs::create_directory(dir.File("sub"));
    fs::create_symlink(rows, dir.File("sub/link"));
    fs::create_hard_link(rows, dir.File("hard.txt"));
    fs::create_symlink("new.json", dir.File("dangling"));
    EXPECT_TRUE(WritesOver(rows, rows));
    EXPECT_TRUE(WritesOver(dir.File("sub/link"), rows));
    EXPECT_TRUE(WritesOver(dir.File("sub/../rows.txt"), dir.File("./sub/link")));
    EXPECT_TRUE(WritesOver(dir.File("hard.txt"), rows));
    EXPECT_TRUE(WritesOver(dir.File("dangling"), dir.File("sub/../new.json")));
    EXPECT_TRUE(WritesOver(dir.File("new.json"), dir.File("new.json")));

    WriteFileBytes(dir.File("other.txt"), "rows");
    EXPECT_FALSE(WritesOver(dir.File("other.txt"), rows));
    EXPECT_FALSE(WritesOver(dir.File("new.json"), rows));
    EXPECT_FALSE(WritesOver(rows, dir.File("new.json")));
    EXPECT_FALSE(WritesOver(dir.File("a.json"), dir.File("b.json")));
    EXPECT_FALSE(WritesOver("/dev/null", "/dev/null"));
}

}  // namespace
}  // namespace brevane
