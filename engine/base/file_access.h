// File access: one replaceable table of nine file operations (archive back end or plain back end),
// the stream function sets handed to decoders, and the stream source record that pairs a set
// with a handle. File handles are opaque non-zero values; 0 means failure.
#pragma once
#include <cstddef>
#include <cstdint>

using FileHandle = intptr_t;

struct FileAccessTable {
  FileHandle (*open)(const char* name, int threadFlag);
  int (*close)(FileHandle h);
  int64_t (*tell)(FileHandle h);
  int (*seek)(FileHandle h, int64_t offset, int origin);      // 0 start, 1 current, 2 end
  size_t (*read)(void* dst, size_t itemSize, size_t itemCount, FileHandle h);
  int (*eof)(FileHandle h);                                    // non-zero at the end
  int (*idle)(FileHandle h);                                   // 1 when no read is in flight
  int (*setCurrentDir)(const char* path);
  int (*getCurrentDir)(char* buffer);
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

int SetFileAccessTable(const FileAccessTable* table);   // null installs the default set
FileHandle FileOpen(const char* name, int threadFlag);
int FileClose(FileHandle h);
int64_t FileTell(FileHandle h);
int FileSeek(FileHandle h, int64_t offset, int origin);
size_t FileRead(void* dst, size_t itemSize, size_t itemCount, FileHandle h);
int FileEof(FileHandle h);
int FileIdleCheck(FileHandle h);
int FileSetCurrentDir(const char* path);
int FileGetCurrentDir(char* buffer);

const StreamFunctionTable* GetFileStreamFunctions();
const StreamFunctionTable* GetMemoryStreamFunctions();
FileHandle MemoryStreamOpen(const void* data, uint32_t size);   // 0 when memory is short
