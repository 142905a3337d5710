#pragma once

// Small helpers shared by the bench programs: the machine's description, clocks, percentiles and
// the memory figures of a process. Linux only, like the figures they read.

#include "../tests/support/channelline.h"

#include <QByteArray>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QString>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

extern char **environ;

namespace bench {

inline long long NowUs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// The value of the nearest rank: p in 0 … 100.
inline double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<size_t>(std::ceil(p / 100.0 * double(values.size())));
    return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

inline double Median(const std::vector<double> &values)
{
    if (values.empty())
        return 0;
    std::vector<double> v = values;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// "Name: value kB" lines of /proc/<pid>/status, in kB; -1 when missing.
inline long StatusKb(const QString &pid, const char *field)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

inline long VmRssKb(const QString &pid = QStringLiteral("self"))
{
    return StatusKb(pid, "VmRSS");
}

// User plus system time of a process so far, in seconds, over all of its threads: to the
// nanosecond where the kernel keeps scheduler statistics, else in hundredths of a second (fields
// 14 and 15 of /proc/<pid>/stat, a third of an idle panel's figure over 30 s). A thread that ends
// meanwhile takes its time with it.
inline double CpuSeconds(const QString &pid)
{
    if (QFile::exists(QStringLiteral("/proc/%1/schedstat").arg(pid))) {
        const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
        double seconds = 0;
        for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile file(tasks.filePath(task + QStringLiteral("/schedstat")));
            if (file.open(QIODevice::ReadOnly)) // else the thread has just ended
                seconds += file.readAll().split(' ').value(0).toDouble() / 1e9;
        }
        return seconds;
    }
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = file.readAll();
    // The command name in parentheses may hold blanks: count fields after its closing one.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    const double ticks = fields.at(11).toDouble() + fields.at(12).toDouble();
    return ticks / double(sysconf(_SC_CLK_TCK));
}

// In-process benches draw nowhere unless a display is at hand.
inline void UseOffscreenWithoutDisplay()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

inline void PrintMachine()
{
    std::string model = "unknown";
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.rfind("model name", 0) == 0) {
            model = line.substr(line.find(':') + 2);
            break;
        }
    }
    const double ramGiB = double(sysconf(_SC_PHYS_PAGES)) * double(sysconf(_SC_PAGE_SIZE))
        / (1024.0 * 1024.0 * 1024.0);
    std::printf("machine: nproc %u, %s, %.1f GiB RAM\n", std::thread::hardware_concurrency(),
        model.c_str(), ramGiB);
}

// A channel line of the memory file with the frequency to four decimals.
inline QByteArray ChannelLine(int bank, double frequencyMHz, const QByteArray &name,
    const QByteArray &mode = {}, const QByteArray &filter = {}, const QByteArray &step = {})
{
    return ::ChannelLine(bank, QByteArray::number(frequencyMHz, 'f', 4), name, mode, filter, step);
}

// 99 full banks. With mixedModes the channels of each bank alternate between two modes, filters
// and steps, so a recall changes all three; without, they carry a frequency and a name only.
inline QByteArray MemoryFile(bool mixedModes)
{
    QByteArray file = "; generated for the bench: 99 banks of 32 channels\r\n";
    for (int bank = 1; bank <= 99; ++bank) {
        for (int slot = 1; slot <= 32; ++slot) {
            const double frequency = 100.0 + bank + slot * 0.025;
            const QByteArray name = "CH" + QByteArray::number(slot);
            if (!mixedModes)
                file += ChannelLine(bank, frequency, name);
            else if (slot % 2)
                file += ChannelLine(bank, frequency, name, "AM", "10 KHz", "25 KHz");
            else
                file += ChannelLine(bank, frequency, name, "FM", "50 KHz", "12.5 KHz");
        }
    }
    return file;
}

// Starts program with the arguments, its standard error thrown away, on the offscreen platform
// when there is no display; -1 (and a message) when it cannot be started.
inline pid_t Spawn(const std::string &program, const std::vector<std::string> &arguments)
{
    std::vector<std::string> envText;
    for (char **e = environ; *e; ++e)
        envText.emplace_back(*e);
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        envText.emplace_back("QT_QPA_PLATFORM=offscreen");
    std::vector<char *> env;
    for (std::string &e : envText)
        env.push_back(e.data());
    env.push_back(nullptr);
    std::vector<char *> argv {const_cast<char *>(program.c_str())};
    for (const std::string &a : arguments)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int error
        = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", program.c_str(), std::strerror(error));
        return -1;
    }
    return pid;
}

// Lets the event loop run for the given time (a simulated receiver in this process keeps
// answering meanwhile).
inline void RunEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace bench
