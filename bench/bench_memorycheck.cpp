// Prints the peak memory of `qz-remote --check-memory` on memory files of growing size; asserts
// nothing. The largest files are sparse: refused by their size, they cost no disk.
#include "channelline.h"
#include "memoryfile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Channel lines over and over up to the size, or a sparse file of that size.
bool WriteFile(const std::string &path, long long bytes, bool sparse)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return false;
    bool ok = true;
    if (sparse) {
        ok = ::ftruncate(fd, bytes) == 0;
    } else {
        std::string block;
        for (int i = 0; block.size() < 1024 * 1024; ++i)
            block += ChannelLine(1 + i % 99, 1 + i % 32);
        for (long long written = 0; ok && written < bytes;) {
            const auto n = static_cast<std::size_t>(
                std::min<long long>(static_cast<long long>(block.size()), bytes - written));
            ok = ::write(fd, block.data(), n) == static_cast<ssize_t>(n);
            written += static_cast<long long>(n);
        }
    }
    return ::close(fd) == 0 && ok;
}

// Runs the checker and gives its peak resident memory in KB, and its exit status.
long PeakKilobytes(const char *program, const std::string &path, int &status)
{
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execl(program, program, "--check-memory", path.c_str(), static_cast<char *>(nullptr));
        ::_exit(127);
    }
    rusage usage {};
    int raw = 0;
    ::wait4(child, &raw, 0, &usage);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char **argv)
{
    const char *program = argc > 1 ? argv[1] : QZ_REMOTE_PATH;
    char folder[] = "/tmp/bench_memorycheck-XXXXXX";
    if (!::mkdtemp(folder))
        return 1;
    const std::string path = std::string(folder) + "/QZMemory.txt";
    struct Size
    {
        const char *label;
        long long bytes;
        bool sparse;
    };
    const Size sizes[] = {
        {"300 KB (99 full banks)", 300LL * 1024, false},
        {"4 MB", 4LL * 1024 * 1024, false},
        {"16 MB (the largest checked)", 16LL * 1024 * 1024, false},
        {"17 MB", 17LL * 1024 * 1024, true},
        {"1 GB", 1LL << 30, true},
    };
    std::printf("%-30s %12s %8s\n", "file", "peak RSS", "status");
    for (const Size &size : sizes) {
        if (!WriteFile(path, size.bytes, size.sparse))
            return 1;
        int status = 0;
        const long kb = PeakKilobytes(program, path, status);
        std::printf("%-30s %9ld KB %8d\n", size.label, kb, status);
    }
    ::unlink(path.c_str());
    ::rmdir(folder);
    return 0;
}
