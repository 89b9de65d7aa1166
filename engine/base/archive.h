// Folder archives: the on-disk format, the reader's records and the archive back end of the file
// access table. The writer lives in tools/common and shares the key, scrambling and name rules
// declared here.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/base/file_access.h"

constexpr uint16_t ARCHIVE_MAGIC = 0x5556;                  // the bytes "V", "U"
constexpr int ARCHIVE_VERSION_MAX = 3;
constexpr int ARCHIVE_KEY_SIZE = 12;
constexpr uint8_t ARCHIVE_NO_KEY_BYTE = 0x9B;               // source byte when no key string is set
constexpr uint8_t ARCHIVE_FALLBACK_KEY_BYTE = 0x6D;         // tried when the derived key fails
constexpr uint32_t ARCHIVE_HEADER_SIZE = 24;
constexpr uint32_t ARCHIVE_DIR_ENTRY_SIZE = 16;
constexpr uint32_t ARCHIVE_ATTR_DIRECTORY = 0x10;
constexpr uint32_t ARCHIVE_STORED = 0xFFFFFFFFu;            // packed size of an entry kept as is
constexpr uint32_t ARCHIVE_NO_PARENT = 0xFFFFFFFFu;
constexpr uint32_t ARCHIVE_PACK_HEADER_SIZE = 9;            // unpacked size, packed size, escape
constexpr uint32_t ARCHIVE_MATCH_MIN = 4;
constexpr uint32_t ARCHIVE_MATCH_MAX = 8195;
constexpr int ARCHIVE_SEARCH_NAME_MAX = 1024;
constexpr int ARCHIVE_OPEN_FILE_MAX = 512;
constexpr int ARCHIVE_CACHE_MAX = 512;
constexpr int ARCHIVE_EXTENSION_MAX = 63;
constexpr int ARCHIVE_KEY_STRING_MAX = 12;

inline uint32_t ArchiveFileEntrySize(int version) { return version >= 2 ? 44u : 40u; }

struct ArchiveHeader {
  uint16_t magic;
  uint16_t version;
  uint32_t headerBlockSize;
  uint32_t dataAreaOffset;
  uint32_t headerBlockOffset;
  uint32_t fileTableOffset;     // within the header block
  uint32_t dirTableOffset;      // within the header block
};

struct ArchiveSearchName {
  uint8_t words[ARCHIVE_SEARCH_NAME_MAX];
  uint16_t sum;
  uint16_t wordCount;
};

struct ThreadFile;

struct ArchiveObject {
  ArchiveHeader header;
  ThreadFile* file;
  int64_t fileSize;
  uint8_t* block;               // the whole header block; the name table starts it
  uint32_t currentDir;          // offset of the current directory entry in the directory table
  uint8_t key[ARCHIVE_KEY_SIZE];
};

// One file entry as read from the file table.
struct ArchiveFileInfo {
  uint32_t nameOffset;
  uint32_t attributes;
  uint32_t dataOffset;
  uint32_t size;
  uint32_t packedSize;          // ARCHIVE_STORED for versions 0 and 1
};

struct ArchiveEntryCursor {
  ArchiveObject* object;
  ArchiveFileInfo entry;
  uint8_t* decoded;             // whole unpacked copy of a packed entry, else null
  int eofFlag;
  uint64_t position;
};

// Key, scrambling and names.
void MakeArchiveKey(const char* keyString, uint8_t key[ARCHIVE_KEY_SIZE]);   // null or "": no key
void MakeArchiveFallbackKey(uint8_t key[ARCHIVE_KEY_SIZE]);
void ScrambleArchiveData(size_t size, void* buffer, uint64_t filePosition,
                         const uint8_t key[ARCHIVE_KEY_SIZE]);               // its own inverse
// Search form of the part up to its end or the first "\"; the bytes stepped over, or -1 when the
// part does not fit a search name.
int MakeArchiveSearchName(const char* part, ArchiveSearchName* out);

// Unpacks a packed block (9-byte header, then the code stream) into output of outputCapacity
// bytes; the unpacked size, or -1 when the block is corrupt in any way.
int64_t DecodeArchiveData(const uint8_t* packed, size_t available, uint8_t* output,
                          size_t outputCapacity);

// One archive object and its entries.
int OpenArchive(ArchiveObject* object, const char* path, const char* keyString);   // 0 / -1
void CloseArchive(ArchiveObject* object);
int ChangeArchiveDir(ArchiveObject* object, const char* path, int restore, ArchiveSearchName* last);
int FindArchiveFile(const char* name, ArchiveObject* object, ArchiveFileInfo* out);  // 0 / -1
int OpenArchiveEntry(ArchiveEntryCursor* cursor, ArchiveObject* object, const char* name);
void CloseArchiveEntry(ArchiveEntryCursor* cursor);
size_t ArchiveEntryRead(ArchiveEntryCursor* cursor, void* dst, size_t byteCount);
int ArchiveEntrySeek(ArchiveEntryCursor* cursor, int64_t offset, int origin);

// The layer's settings and its tables of cached archives and open files.
void InitializeArchiveLayer();
int SetArchiveExtension(const char* text);    // 1-63 characters; otherwise "VUV"
int SetArchiveKeyString(const char* text);    // cut to 12 characters; null or "" clears it
void CloseUnusedArchives();
int GetCachedArchiveCount();
int GetArchiveOpenFileCount();

// The archive back end's table slots.
FileHandle ArchiveFileOpen(const char* name, int threadFlag);
int ArchiveFileClose(FileHandle h);
int64_t ArchiveFileTell(FileHandle h);
int ArchiveFileSeek(FileHandle h, int64_t offset, int origin);
size_t ArchiveFileRead(void* dst, size_t itemSize, size_t itemCount, FileHandle h);   // bytes
int ArchiveFileEof(FileHandle h);
int ArchiveFileIdle(FileHandle h);
int ArchiveSetCurrentDir(const char* path);
int ArchiveGetCurrentDir(char* buffer);       // 0, or -1 when the directory does not fit
