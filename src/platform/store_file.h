// The file handling that stores of settings share: a lock beside the file, opening only regular
// files (never blocking on a FIFO or a device put in a store's place), moving a bad file aside
// without ever replacing another file, and removing temporaries that a killed save left behind.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>

namespace platform {

// Holds an exclusive advisory lock on "<path>.lock" (created with mode 0600 when missing) for its
// lifetime, waiting while another process or another FileLock holds it. The lock belongs to the
// object: a second FileLock on the same path waits even in the same thread.
class FileLock {
public:
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // False when the lock file could not be opened (a read-only folder); error() tells why.
    bool held() const { return fd_ >= 0; }
    int error() const { return error_; }

private:
    int fd_ = -1;
    int error_ = 0;
};

// What openRegularFile returns for a name that is something other than a regular file (a FIFO,
// a device, a socket, a folder). Such a file is not opened, or is closed again at once.
constexpr int kNotARegularFile = -2;

// Opens path with the open(2) flags given (O_CLOEXEC added) if it is a regular file, without
// blocking. Returns the descriptor, -1 with errno set when it cannot be opened, or
// kNotARegularFile.
int openRegularFile(const std::string& path, int flags, int mode = 0600);

// Renames path to "<path>.broken-<local time YYYYmmdd-HHMMSS>", or with "-1", "-2", ... added
// when that name is taken: never replaces an existing file, even against a process choosing a
// name at the same moment. Each companion suffix (e.g. "-wal") that exists beside path moves
// along to the same new name with that suffix. Returns the new name; nullopt (errno set) when
// path could not be moved.
std::optional<std::string> moveAside(const std::string& path,
                                     std::initializer_list<const char*> companions = {});

// The temporary a save by this process writes before renaming it over path: "<path>.tmp-<pid>".
std::string temporaryFor(const std::string& path);

// Removes the "<path>.tmp-<pid>" files of processes that no longer exist: saves that were
// killed between writing the temporary and renaming it. A temporary of a living process stays.
// Returns how many were removed.
int removeStaleTemporaries(const std::string& path);

} // namespace platform
