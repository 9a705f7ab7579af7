#pragma once

#include <functional>
#include <random>
#include <string>

namespace brevane {

// How a pending file is kept out of sight until it is committed.
enum class PendingNaming {
    // No name at all (O_TMPFILE) where the file system and /proc allow it, else a hidden name.
    UnnamedWherePossible,
    // A hidden name ".TARGET.XXXXXX" beside the target from the start.
    Hidden,
};

// A new file in the folder of `target` that takes the name `target` only when committed, in
// one rename, so that readers see either the old file or the complete new one. Until then the
// target is untouched. A hidden name is watched by the signal cleanup (SignalCleanup.h), so
// once main() has armed it an interrupt does not leave the name behind; an unnamed file
// vanishes with the process in any case.
class PendingFile {
  public:
    PendingFile() = default;
    ~PendingFile() { Discard(); }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Creates the file, empty, with mode 0644 less the umask. 0, or the errno of the failure.
    int Open(const std::string& target, PendingNaming naming);
    int Descriptor() const { return fd_; }
    // Whether the file has a name in the folder now.
    bool Named() const { return !hidden_.empty(); }

    // Closes the file and gives it its hidden name, so that it is ready to take the target's
    // place. 0, or the errno of the failure, after which the file is gone.
    int Stage();
    // Stages the file if need be and renames it over the target. With `keepOld`, the file the
    // target held stays under the hidden name, so that Undo() can put it back and Discard()
    // removes it; a file system that cannot swap two names replaces the old file for good.
    // 0, or the errno of the failure, after which the file is gone and the target is as it was.
    int Publish(bool keepOld);
    int Commit() { return Publish(false); }
    // After Publish(true): puts the old target back, or removes the new one when there was
    // none. When the names cannot be swapped back, the old file keeps its hidden name.
    void Undo() noexcept;
    // Closes and removes the file; the target stays as it was. After Publish(true), removes
    // the old file kept for Undo() instead.
    void Discard() noexcept;

  private:
    int OpenHidden();
    int LinkHidden();
    // Renames the staged file over the target, keeping an old one under the hidden name.
    int SwapIn();
    // Lets go of the hidden name, which no longer holds a file of ours.
    void ForgetHiddenName() noexcept;
    // Gives the file the first fresh hidden name that `make` (which sets errno when it fails)
    // can create, and watches it. 0, or the errno of the failure.
    int TakeHiddenName(const std::function<bool(const std::string&)>& make);
    std::string NewHiddenName();

    std::string target_;
    std::string folder_;
    std::string hidden_;  // the file's temporary name, once it has one
    int fd_ = -1;
    int watch_ = -1;
    bool swapped_ = false;  // Publish(true) put the old target under the hidden name
    bool created_ = false;  // Publish(true) made the target, which did not exist
    std::minstd_rand pick_;
};

// The folder for scratch files: TMPDIR when set and not empty, else /tmp.
std::string ScratchFolder();

// A new file in `folder` for reading and writing that has no name, so that the system removes
// it when it is closed, however the process ends. The descriptor, or -1 with errno set.
int OpenScratchFile(const std::string& folder);

}  // namespace brevane
