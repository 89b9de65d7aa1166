// Files and paths with Windows rules over POSIX. Paths arrive as CP932 byte strings with "\" or
// "/" separators; "X:\" drive prefixes stand for "/" (the current drive is reported as "Z:");
// each path part is matched exactly first, then without regard to case. Relative paths are taken
// against the process's current directory.
#pragma once
#include <cstdint>
#include <string>

namespace plat {

struct File;                                        // opaque open file
enum class OpenMode {
  ReadExisting,      // read only; fails when missing
  WriteCreateNew,    // write; fails when the file exists
  WriteAlways,       // write; created when missing, kept otherwise (position 0)
  WriteTruncate,     // write; created or emptied
  ReadWriteAlways,   // read and write; created when missing
};
File* FileOpen(const char* path, OpenMode mode);    // nullptr on failure
void FileClose(File* f);
bool FileCloseChecked(File* f);                     // false when the close reports an error
int64_t FileRead(File* f, void* dst, int64_t n);    // bytes read, 0 at the end, -1 on error
int64_t FileWrite(File* f, const void* src, int64_t n);  // bytes written, -1 on error
bool FileSeek(File* f, int64_t pos);                // absolute position
int64_t FileTell(File* f);
int64_t FileSize(File* f);

bool FileDelete(const char* path);
bool FileRename(const char* from, const char* to);  // replaces an existing target in one step
bool FileMakeWritable(const char* path);            // clears read-only; false when missing
bool FileExists(const char* path);                  // a regular file
bool DirectoryExists(const char* path);
bool DirectoryCreate(const char* path);
int64_t FileSizeByName(const char* path);           // -1 when missing

// Current directory in Windows form ("Z:\home\user\game"), no trailing separator except at the root.
std::string GetCurrentDir();
bool SetCurrentDir(const char* path);
std::string GetTempDir();                           // Windows form, with a trailing "\"

// The POSIX path an engine path resolves to (parts matched without regard to case when the exact
// part is missing); for a file that does not exist yet the last part is kept as given. One too
// long for the system (PATH_MAX) comes back relative to the current folder when it lies there.
std::string ResolvePath(const char* path);
// "/a/b" -> "Z:\a\b"; folders without a CP932 form, and the upper folders of a path longer than
// 128 bytes in this form, become drives of their own ("Y:\b").
std::string ToWindowsPath(const std::string& posixPath);

}  // namespace plat
