// File access: one replaceable table of nine file operations (archive back end or plain back end),
// the stream function sets handed to decoders, and the stream source record that pairs a set
// with a handle. File handles are opaque non-zero 32-bit values kept in slot tables (pointers
// never travel in a handle); 0 means failure.
#pragma once
#include <cstddef>
#include <cstdint>

namespace plat { struct File; }

using FileHandle = intptr_t;

// Size of every path buffer of the file layer: the current-directory slots write at most this many
// bytes (terminator included) and fail when the directory does not fit.
constexpr size_t FILE_PATH_MAX = 1024;

struct FileAccessTable {
  FileHandle (*open)(const char* name, int threadFlag);
  int (*close)(FileHandle h);
  int64_t (*tell)(FileHandle h);
  int (*seek)(FileHandle h, int64_t offset, int origin);      // 0 start, 1 current, 2 end
  size_t (*read)(void* dst, size_t itemSize, size_t itemCount, FileHandle h);
  int (*eof)(FileHandle h);                                    // non-zero at the end
  int (*idle)(FileHandle h);                                   // 1 when no read is in flight
  int (*setCurrentDir)(const char* path);
  int (*getCurrentDir)(char* buffer);                          // buffer of FILE_PATH_MAX bytes
};

struct StreamFunctionTable {
  int64_t (*tell)(FileHandle h);
  int (*seek)(FileHandle h, int64_t offset, int origin);
  size_t (*read)(void* dst, size_t itemSize, size_t itemCount, FileHandle h);
  int (*eof)(FileHandle h);
  int (*idle)(FileHandle h);
  int (*close)(FileHandle h);
};

// What a decoder receives: a copy of one stream function set, then the handle it works on.
struct StreamSource {
  StreamFunctionTable fn;
  FileHandle handle;
};

// The installed table. Reads return items for plain files and memory streams but bytes for
// archive entries; callers that read blocks as one item or bytes as items of 1 see no difference.
int SetFileAccessTable(const FileAccessTable* table);   // null installs the default set
int IsDefaultFileAccessTable();                          // 1 when the default set is installed
int SetArchiveUseFlag(int flag);                         // 0 bypasses archives; returns 0
FileHandle FileOpen(const char* name, int threadFlag);
int FileClose(FileHandle h);
int64_t FileTell(FileHandle h);
int FileSeek(FileHandle h, int64_t offset, int origin);
size_t FileRead(void* dst, size_t itemSize, size_t itemCount, FileHandle h);
int FileEof(FileHandle h);
int FileIdleCheck(FileHandle h);
int FileSetCurrentDir(const char* path);
int FileGetCurrentDir(char* buffer);                     // buffer of FILE_PATH_MAX bytes

const StreamFunctionTable* GetFileStreamFunctions();
const StreamFunctionTable* GetMemoryStreamFunctions();
FileHandle MemoryStreamOpen(const void* data, uint32_t size);   // 0 when memory is short
int64_t MemoryStreamTell(FileHandle h);
int MemoryStreamSeek(FileHandle h, int64_t offset, int origin);  // clamped to 0..size
size_t MemoryStreamRead(void* dst, size_t itemSize, size_t itemCount, FileHandle h);
int MemoryStreamEof(FileHandle h);                                // 1 at the end, else 0
int MemoryStreamIdle(FileHandle h);                               // always 1
int MemoryStreamClose(FileHandle h);                              // frees the record, never the data

// The plain back end. A ThreadFile reads directly, or (thread flag 1) through its own file-access
// thread with a 128 KB read-ahead buffer. The archive layer uses the record pointers directly.
struct ThreadFile;
ThreadFile* ThreadFileOpen(const char* name, int threadFlag);     // null on failure
int ThreadFileClose(ThreadFile* f);
int64_t ThreadFileTell(ThreadFile* f);
int ThreadFileSeek(ThreadFile* f, int64_t offset, int origin);    // -1 for a target before 0
size_t ThreadFileRead(void* dst, size_t itemSize, size_t itemCount, ThreadFile* f);  // whole items
int ThreadFileEof(ThreadFile* f);                                 // -1 at the end, else 0
int ThreadFileIdle(ThreadFile* f);
int64_t ThreadFileSize(ThreadFile* f);                            // taken once at open

// The plain back end's table slots, over handles of its own slot table.
FileHandle PlainFileOpen(const char* name, int threadFlag);
int PlainFileClose(FileHandle h);
int64_t PlainFileTell(FileHandle h);
int PlainFileSeek(FileHandle h, int64_t offset, int origin);
size_t PlainFileRead(void* dst, size_t itemSize, size_t itemCount, FileHandle h);
int PlainFileEof(FileHandle h);
int PlainFileIdle(FileHandle h);
int PlainSetCurrentDir(const char* path);    // non-zero on success
int PlainGetCurrentDir(char* buffer);        // the length, or 0 when it fails or does not fit

// A relative path made absolute against base (null: the current directory), with Windows rules:
// "\x" keeps the base's drive, "C:..." its own; "." is skipped, ".." drops the last component.
// Returns 0, or -1 for an empty path part or an output of outputSize bytes or more.
int BuildFullPath(const char* relative, char* output, size_t outputSize, const char* base);
// The same with the base, the drive letter and every path character a-z upper-cased.
int BuildUpperFullPath(const char* relative, char* output, size_t outputSize, const char* base);

// A new empty file "tmpXXXX.tmp" in the temporary folder, open for writing; its full Windows path
// goes to outputPath when one is given. Null when no name could be made or the file not created.
plat::File* CreateTempFile(char* outputPath, size_t outputSize);
