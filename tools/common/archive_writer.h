// Archive writer for the engine's folder archives: versions 0 to 3, stored and packed entries
// (our own LZ encoder for the engine's decoder), nested folders, scrambled with a key string.
// Used by tools/pack-archive, tools/make-data and the tests.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class ArchivePacking {
  Auto,     // packed when that is smaller (versions 2 and 3), else stored
  Stored,   // always stored
  Packed,   // always packed (versions 2 and 3), even when larger
};

struct ArchiveWriterEntry {
  std::string path;              // inside the archive, CP932, "\" or "/" between folders
  std::vector<uint8_t> data;
  bool directory = false;        // a folder of its own (folders of file paths need no entry)
  ArchivePacking packing = ArchivePacking::Auto;   // Auto follows the options
};

struct ArchiveWriteOptions {
  int version = 3;               // 0 to 3
  std::string keyString;         // empty: no key string (the engine's fixed key)
  bool fallbackKey = false;      // scramble with the fallback key instead of the derived one
  ArchivePacking packing = ArchivePacking::Auto;
};

// The packed form of data: 9-byte header (unpacked size, packed size, escape byte), code stream.
std::vector<uint8_t> ArchiveLzPack(const uint8_t* data, size_t size);

// The whole scrambled archive in memory; false with a reason for bad names, duplicates, sizes.
bool BuildArchiveImage(const std::vector<ArchiveWriterEntry>& entries, const ArchiveWriteOptions& options,
                       std::vector<uint8_t>* image, std::string* error);
bool WriteArchiveFile(const char* archivePath, const std::vector<ArchiveWriterEntry>& entries,
                      const ArchiveWriteOptions& options, std::string* error);

// Every file and folder under a folder on disk (a POSIX path), sorted by name, names in CP932.
bool CollectFolderEntries(const char* folder, std::vector<ArchiveWriterEntry>* entries, std::string* error);
bool PackFolderToArchive(const char* folder, const char* archivePath, const ArchiveWriteOptions& options,
                         std::string* error);
