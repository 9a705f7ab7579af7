#include "analysis/Export.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <system_error>

#include "cards/Cards.h"
#include "support/CliRunner.h"
#include "support/ImmutableFolder.h"
#include "support/ReferenceShuffle.h"
#include "support/TinyDisk.h"

namespace brevane {
namespace {

namespace fs = std::filesystem;
using test::FolderEntries;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

// The line written the plain way: names joined by single spaces, then CR LF.
std::string ReferenceLine(const ShuffleRecord& record) {
    std::string line;
    for (std::size_t k = 0; k < record.size(); ++k) {
        if (k > 0) line += ' ';
        line += CardName(record[k]);
    }
    return line + "\r\n";
}

ShuffleList KeyedList(std::size_t rows) {
    ShuffleGenerator generator;
    generator.SetKey(test::CountingKey());
    ShuffleList list;
    Deck deck = InitialDeck();
    list.AppendShuffles(deck, generator, rows);
    return list;
}

std::string ReferenceFile(const ShuffleList& list) {
    std::string bytes;
    for (std::size_t r = 0; r < list.Count(); ++r) bytes += ReferenceLine(list.Record(r));
    return bytes;
}

TEST(ExportTest, LineOfTheOrderedDeck) {
    ShuffleList list;
    list.Append(InitialDeck());
    char line[ExportLineBytes];
    FormatExportLine(list.Row(0), line);
    const std::string text(line, ExportLineBytes);
    EXPECT_EQ(text.substr(0, 15), "2c 2d 2h 2s 3c ");
    EXPECT_EQ(text.substr(132), "Kc Kd Kh Ks Ac Ad Ah As\r\n");
    EXPECT_EQ(text, ReferenceLine(InitialDeck()));
}

TEST(ExportTest, FileHoldsExactlyTheLines) {
    TempDir dir;
    const ShuffleList list = KeyedList(3);
    ExportShuffleList(list, dir.File("three.txt"));
    const std::string bytes = ReadFileBytes(dir.File("three.txt"));
    EXPECT_EQ(bytes, ReferenceFile(list));
    EXPECT_NE(bytes.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(FolderEntries(dir.Path()), std::set<std::string>{"three.txt"});
}

TEST(ExportTest, EmptyListGivesAnEmptyFile) {
    TempDir dir;
    ExportShuffleList(ShuffleList{}, dir.File("empty.txt"));
    ASSERT_TRUE(fs::exists(dir.File("empty.txt")));
    EXPECT_EQ(fs::file_size(dir.File("empty.txt")), 0u);
}

TEST(ExportTest, TenThousandRows) {
    TempDir dir;
    const ShuffleList list = KeyedList(10000);
    ExportShuffleList(list, dir.File("big.txt"));
    const std::string bytes = ReadFileBytes(dir.File("big.txt"));
    ASSERT_EQ(bytes.size(), 1570000u);
    EXPECT_EQ(bytes, ReferenceFile(list));
    for (std::size_t at = 0; at < bytes.size(); at += ExportLineBytes) {
        const std::string line = bytes.substr(at, 155);
        ASSERT_EQ(bytes.substr(at + 155, 2), "\r\n");
        std::set<std::string> names;
        for (std::size_t k = 0; k < 52; ++k) names.insert(line.substr(3 * k, 2));
        ASSERT_EQ(names.size(), 52u);
    }
}

TEST(ExportTest, ReplacesAnOldFileAndKeepsItsMode) {
    TempDir dir;
    const std::string path = dir.File("old.txt");
    WriteFileBytes(path, std::string(5000, 'x'));
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    const ShuffleList list = KeyedList(2);
    ExportShuffleList(list, path);
    EXPECT_EQ(ReadFileBytes(path), ReferenceFile(list));
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(ExportTest, NewFileModeFollowsTheUmask) {
    TempDir dir;
    const mode_t old = umask(027);
    ExportShuffleList(KeyedList(1), dir.File("new.txt"));
    umask(old);
    struct stat info {};
    ASSERT_EQ(stat(dir.File("new.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(ExportTest, SymbolicLinkStaysAndItsFileIsReplaced) {
    TempDir dir;
    WriteFileBytes(dir.File("real.txt"), "old");
    fs::create_symlink("real.txt", dir.File("link.txt"));
    const ShuffleList list = KeyedList(1);
    ExportShuffleList(list, dir.File("link.txt"));
    EXPECT_TRUE(fs::is_symlink(dir.File("link.txt")));
    EXPECT_EQ(ReadFileBytes(dir.File("real.txt")), ReferenceFile(list));
}

TEST(ExportTest, DanglingSymbolicLinkGetsItsFileCreated) {
    TempDir dir;
    fs::create_directory(dir.File("sub"));
    fs::create_symlink("sub/made.txt", dir.File("link.txt"));
    fs::create_symlink("../link.txt", dir.File("sub/second.txt"));
    const ShuffleList list = KeyedList(2);
    ExportShuffleList(list, dir.File("sub/second.txt"));
    EXPECT_TRUE(fs::is_symlink(dir.File("link.txt")));
    EXPECT_TRUE(fs::is_symlink(dir.File("sub/second.txt")));
    EXPECT_EQ(ReadFileBytes(dir.File("sub/made.txt")), ReferenceFile(list));
    EXPECT_EQ(FolderEntries(dir.File("sub")), (std::set<std::string>{"made.txt", "second.txt"}));
}

void ExpectFailure(const ShuffleList& list, const std::string& path, int error,
                   const std::string& text, WriteFunction write = nullptr) {
    try {
        ExportShuffleList(list, path, write);
        ADD_FAILURE() << "no error for " << path;
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code().value(), error) << e.what();
        EXPECT_NE(std::string(e.what()).find(text), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
}

TEST(ExportTest, DevicesAreWrittenInPlace) {
    ExportShuffleList(KeyedList(3), "/dev/null");
    struct stat info {};
    ASSERT_EQ(stat("/dev/null", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
    ExpectFailure(KeyedList(20000), "/dev/full", ENOSPC, "No space left on device");
    ASSERT_EQ(stat("/dev/full", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
}

TEST(ExportTest, MissingFolderFailsAndCreatesNothing) {
    TempDir dir;
    ExpectFailure(KeyedList(1), dir.File("absent/out.txt"), ENOENT, "No such file or directory");
    EXPECT_TRUE(FolderEntries(dir.Path()).empty());
}

TEST(ExportTest, FolderAsTargetFailsAndLeavesItAlone) {
    TempDir dir;
    fs::create_directory(dir.File("folder"));
    WriteFileBytes(dir.File("folder/inside.txt"), "keep");
    ExpectFailure(KeyedList(1), dir.File("folder"), EISDIR, "Is a directory");
    EXPECT_EQ(FolderEntries(dir.Path()), std::set<std::string>{"folder"});
    EXPECT_EQ(ReadFileBytes(dir.File("folder/inside.txt")), "keep");
}

// Accepts the first MiB, then reports a full disk.
ssize_t FailAfterOneMiB(int fd, const void* data, std::size_t size) {
    static thread_local std::size_t written = 0;
    if (written >= (std::size_t{1} << 20)) {
        written = 0;
        errno = ENOSPC;
        return -1;
    }
    const ssize_t n = ::write(fd, data, size);
    if (n > 0) written += static_cast<std::size_t>(n);
    return n;
}

TEST(ExportTest, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
    TempDir dir;
    const std::string path = dir.File("keep.txt");
    WriteFileBytes(path, "previous contents\r\n");
    ExpectFailure(KeyedList(20000), path, ENOSPC, "No space left on device", &FailAfterOneMiB);
    EXPECT_EQ(ReadFileBytes(path), "previous contents\r\n");
    EXPECT_EQ(FolderEntries(dir.Path()), std::set<std::string>{"keep.txt"});
}

// Writes at most 1000 bytes per call, and is interrupted every other call.
ssize_t ShortAndInterrupted(int fd, const void* data, std::size_t size) {
    static thread_local int calls = 0;
    if (++calls % 2 == 0) {
        errno = EINTR;
        return -1;
    }
    return ::write(fd, data, size < 1000 ? size : 1000);
}

TEST(ExportTest, ShortAndInterruptedWritesStillWriteEverything) {
    TempDir dir;
    const ShuffleList list = KeyedList(500);
    ExportShuffleList(list, dir.File("slow.txt"), &ShortAndInterrupted);
    EXPECT_EQ(ReadFileBytes(dir.File("slow.txt")), ReferenceFile(list));
}

TEST(ExportTest, FullDiskKeepsTheOldFile) {
    TempDir dir;
    const std::string folder = dir.File("disk");
    fs::create_directory(folder);
    test::TinyDisk disk(folder, "64k");
    if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here";
    const std::string path = folder + "/list.txt";
    WriteFileBytes(path, "old list\r\n");
    ExpectFailure(KeyedList(10000), path, ENOSPC, "No space left on device");
    EXPECT_EQ(ReadFileBytes(path), "old list\r\n");
    EXPECT_EQ(FolderEntries(folder), std::set<std::string>{"list.txt"});
}

ino_t InodeOf(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// A folder where no new file can be made, by root either, while its files stay writable.
TEST(ExportTest, ImmutableFolderGetsTheTargetWrittenInPlace) {
    TempDir dir;
    const std::string folder = dir.File("frozen");
    fs::create_directory(folder);
    const std::string path = folder + "/list.txt";
    WriteFileBytes(path, std::string(3000, 'x'));
    std::optional<test::TinyDisk> disk;
    std::optional<test::ImmutableFolder> frozen(std::in_place, folder);
    if (!frozen->Set()) {
        // The attribute may be missing on this file system but kept by tmpfs.
        frozen.reset();
        disk.emplace(folder, "8m");
        if (disk->Mounted()) {
            WriteFileBytes(path, std::string(3000, 'x'));
            frozen.emplace(folder);
        }
    }
    if (!frozen || !frozen->Set()) {
        GTEST_SKIP() << "cannot make a folder immutable here (chattr +i needs "
                        "CAP_LINUX_IMMUTABLE and ext4 or tmpfs): "
                     << std::strerror(frozen ? frozen->Error() : EPERM);
    }
    const ino_t inode = InodeOf(path);
    ASSERT_EQ(::open((folder + "/probe").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644), -1);
    ASSERT_EQ(errno, EPERM);

    const ShuffleList list = KeyedList(3);
    ExportShuffleList(list, path);
    EXPECT_EQ(ReadFileBytes(path), ReferenceFile(list));
    EXPECT_EQ(InodeOf(path), inode) << "written in place, not replaced";
    EXPECT_EQ(FolderEntries(folder), std::set<std::string>{"list.txt"});

    // Writing in place reports its failures as a replacement does; the lines written stay.
    const ShuffleList big = KeyedList(20000);
    ExpectFailure(big, path, ENOSPC, "No space left on device", &FailAfterOneMiB);
    const std::string kept = ReadFileBytes(path);
    EXPECT_GE(kept.size(), std::size_t{1} << 20);
    EXPECT_EQ(kept, ReferenceFile(big).substr(0, kept.size()));
    // Without a file to write in place, the folder's refusal is the error.
    ExpectFailure(list, folder + "/new.txt", EPERM, "Operation not permitted");
    EXPECT_EQ(FolderEntries(folder), std::set<std::string>{"list.txt"});
}

}  // namespace
}  // namespace brevane
