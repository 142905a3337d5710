#pragma once

#include <string>
#include <string_view>

// Reading and replacing whole files for the memory-file tools, so that a crash or a full disk
// never leaves half a file: new contents go to a temporary file in the same folder, which is
// synced and then renamed over the old one.

enum class FileRead { Read, Missing, Failed };

// Reads a plain file whole. Missing when there is no file of that name; Failed, with the reason in
// error, for a directory, a device or a named pipe (reading one could wait for ever), no
// permission or a read error.
FileRead ReadPlainFile(const std::string &path, std::string &bytes, std::string &error);

// Puts the bytes in place of the file's contents in one step; a file that did not exist is
// created. A symbolic link stays and its target is replaced. The file keeps its permissions. With
// keepBackup, the previous contents are first kept as "path.bak" (replaced in one step too). False,
// with the reason in error, when anything fails; the file is then as it was and no temporary file
// is left behind.
bool ReplaceFileContents(
    const std::string &path, std::string_view bytes, bool keepBackup, std::string &error);

// The name the previous contents are kept under.
std::string BackupPath(const std::string &path);
