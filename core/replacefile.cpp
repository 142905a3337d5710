#include "replacefile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Reason(int error)
{
    return std::strerror(error);
}

// The file a path names, through any symbolic links; the path itself while it does not exist.
std::string ResolvedPath(const std::string &path)
{
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr)
        return resolved;
    return path;
}

std::string FolderOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Writes the bytes to a new file next to target and gives its name, or the empty text (with the
// reason in error) and no file left behind. mode is applied when given (>= 0); otherwise the new
// file gets the usual permissions for new files.
std::string WriteBeside(
    const std::string &target, std::string_view bytes, int mode, std::string &error)
{
    static std::atomic<unsigned> counter {0};
    const std::string folder = FolderOf(target);
    const std::size_t slash = target.rfind('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = folder + "/." + base + ".new-" + std::to_string(::getpid()) + "-"
            + std::to_string(counter++);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            error = "cannot create a file in " + folder + ": " + Reason(errno);
            return {};
        }
    }
    if (fd < 0) {
        error = "cannot create a temporary file in " + folder;
        return {};
    }
    auto fail = [&](const std::string &what) {
        const int saved = errno;
        if (fd >= 0)
            ::close(fd);
        ::unlink(temporary.c_str());
        error = what + ": " + Reason(saved);
        return std::string();
    };
    if (!WriteAll(fd, bytes))
        return fail("cannot write " + temporary);
    if (mode >= 0 && ::fchmod(fd, static_cast<mode_t>(mode)) != 0)
        return fail("cannot set the permissions of " + temporary);
    if (::fsync(fd) != 0)
        return fail("cannot write " + temporary + " to the disk");
    const int closing = ::close(fd);
    fd = -1;
    if (closing != 0)
        return fail("cannot write " + temporary);
    return temporary;
}

bool PutInPlace(const std::string &temporary, const std::string &target, std::string &error)
{
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        error = "cannot put the new file in place of " + target + ": " + Reason(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    // The rename itself reaches the disk with the folder.
    const int dir = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

} // namespace

FileRead ReadPlainFile(
    const std::string &path, std::string &bytes, std::string &error, std::size_t maxBytes)
{
    bytes.clear();
    // Opened without waiting, so that a named pipe with no writer cannot hold the program.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = Reason(errno);
        return errno == ENOENT ? FileRead::Missing : FileRead::Failed;
    }
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = S_ISDIR(info.st_mode) ? "it is a folder" : "it is not a plain file";
        ::close(fd);
        return FileRead::Failed;
    }
    auto tooLarge = [&] {
        bytes.clear();
        bytes.shrink_to_fit();
        error = "it is larger than " + std::to_string(maxBytes / (1024 * 1024))
            + " MB, far beyond any memory file (99 full banks take about 300 KB)";
        ::close(fd);
        return FileRead::TooLarge;
    };
    if (static_cast<unsigned long long>(info.st_size) > maxBytes)
        return tooLarge();
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = Reason(errno);
            ::close(fd);
            return FileRead::Failed;
        }
        if (n == 0)
            break;
        if (bytes.size() + static_cast<std::size_t>(n) > maxBytes)
            return tooLarge();
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return FileRead::Read;
}

std::string BackupPath(const std::string &path)
{
    return path + ".bak";
}

bool ReplaceFileContents(
    const std::string &path, std::string_view bytes, bool keepBackup, std::string &error)
{
    const std::string target = ResolvedPath(path);
    struct stat info
    {
    };
    const bool exists = ::stat(target.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode)) {
        error = path + " is not a plain file";
        return false;
    }
    const int mode = exists ? static_cast<int>(info.st_mode & 07777) : -1;
    // The new contents are written in full before anything else changes.
    const std::string temporary = WriteBeside(target, bytes, mode, error);
    if (temporary.empty())
        return false;
    if (exists && keepBackup) {
        std::string previous;
        std::string backup;
        if (ReadPlainFile(target, previous, error) != FileRead::Read) {
            error = "cannot read " + path + " to keep a copy: " + error;
            backup.clear();
        } else {
            backup = WriteBeside(BackupPath(path), previous, mode, error);
        }
        if (backup.empty() || !PutInPlace(backup, BackupPath(path), error)) {
            ::unlink(temporary.c_str());
            return false;
        }
    }
    return PutInPlace(temporary, target, error);
}
