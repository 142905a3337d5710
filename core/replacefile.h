#pragma once

#include <string>
#include <string_view>

// Reading and replacing whole files for the memory-file tools, so that a crash or a full disk
// never leaves half a file: new contents go to a temporary file in the same folder, which is
// synced and then renamed over the old one.

#include <cstddef>
#include <limits>

enum class FileRead { Read, Missing, Failed, TooLarge };

// Reads a plain file whole. Missing when there is no file of that name; Failed, with the reason in
// error, for a directory, a device or a named pipe (reading one could wait for ever), no
// permission or a read error; TooLarge, with a word in error and nothing read, for a file of more
// than maxBytes (also one that grows past it while it is read).
FileRead ReadPlainFile(const std::string &path, std::string &bytes, std::string &error,
    std::size_t maxBytes = std::numeric_limits<std::size_t>::max());

// A memory file of 99 full banks takes about 300 KB; a file far beyond that is none, and reading
// it whole would only fill the memory.
inline constexpr std::size_t kLargestMemoryFileBytes = 16u * 1024 * 1024;

// Puts the bytes in place of the file's contents in one step; a file that did not exist is
// created. A symbolic link stays and its target is replaced. The file keeps its permissions. With
// keepBackup, the previous contents are first kept as "path.bak" (replaced in one step too). False,
// with the reason in error, when anything fails; the file is then as it was and no temporary file
// is left behind.
bool ReplaceFileContents(
    const std::string &path, std::string_view bytes, bool keepBackup, std::string &error);

// The name the previous contents are kept under.
std::string BackupPath(const std::string &path);
