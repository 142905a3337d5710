#pragma once

#include <iosfwd>
#include <vector>

// The memory-file tools of the command line. They run without a window (and without a display),
// so main() tries them before anything of Qt's GUI is created:
//
//   qz-remote --check-memory [FILE]
//   qz-remote --import-chirp CSV --bank NN [--output FILE] [--spill]
//   qz-remote --export-chirp --bank NN [--output CSV] [--memory FILE]

// What RunMemoryTool gives when the arguments ask for none of the tools.
inline constexpr int kNotAMemoryTool = -1;

// Runs the tool the arguments name and gives its exit status, or kNotAMemoryTool. Reports go to
// out, errors to err.
int RunMemoryTool(int argc, char **argv, std::ostream &out, std::ostream &err);
// The same with the standard output and error.
int RunMemoryTool(int argc, char **argv);

// The tools as --help lists them.
struct MemoryToolOption
{
    const char *name;
    const char *valueName; // empty when the option takes no value
    const char *description;
};
std::vector<MemoryToolOption> MemoryToolOptions();
