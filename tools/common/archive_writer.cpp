// Archive writer: lays out the header, the data area and the header block (name table, file
// table, directory table), then scrambles every byte by its file offset.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "engine/base/archive.h"
#include "platform/text.h"
#include "tools/common/archive_writer.h"
#include "tools/common/file_bytes.h"

namespace {

struct Node {
  std::string name;                       // CP932, as given
  bool directory = false;
  const ArchiveWriterEntry* entry = nullptr;
  std::vector<std::unique_ptr<Node>> children;
  uint32_t dirOffset = 0;                 // directories: offset in the directory table
  uint32_t fileEntryOffset = 0;           // offset of its own file entry in the file table
};

void Put16(std::vector<uint8_t>* v, size_t at, uint32_t x) {
  (*v)[at] = uint8_t(x);
  (*v)[at + 1] = uint8_t(x >> 8);
}
void Put32(std::vector<uint8_t>* v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; i++) (*v)[at + i] = uint8_t(x >> (8 * i));
}

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (size_t i = 0; i < path.size(); i++) {
    char c = path[i];
    if (plat::IsCp932Lead(uint8_t(c)) && i + 1 < path.size()) {
      part += c;
      part += path[++i];
    } else if (c == '\\' || c == '/') {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  parts.push_back(part);
  return parts;
}

bool SameSearchName(const std::string& a, const std::string& b) {
  ArchiveSearchName x, y;
  if (MakeArchiveSearchName(a.c_str(), &x) < 0 || MakeArchiveSearchName(b.c_str(), &y) < 0) return false;
  return x.wordCount == y.wordCount && std::memcmp(x.words, y.words, size_t(x.wordCount) * 4) == 0;
}

Node* Child(Node* parent, const std::string& name) {
  for (auto& c : parent->children)
    if (SameSearchName(c->name, name)) return c.get();
  return nullptr;
}

bool AddEntry(Node* root, const ArchiveWriterEntry& e, std::string* error) {
  std::vector<std::string> parts = SplitPath(e.path);
  if (!parts.empty() && parts.back().empty() && parts.size() > 1) parts.pop_back();
  Node* at = root;
  for (size_t i = 0; i < parts.size(); i++) {
    const std::string& name = parts[i];
    ArchiveSearchName s;
    if (name.empty() || name == "." || name == ".." || name.find('\0') != std::string::npos ||
        MakeArchiveSearchName(name.c_str(), &s) != int(name.size())) {
      *error = "bad name in the path \"" + e.path + "\"";
      return false;
    }
    bool last = i + 1 == parts.size();
    Node* c = Child(at, name);
    if (c && (last || !c->directory)) {
      if (last && e.directory && c->directory) return true;
      *error = "\"" + e.path + "\" clashes with an entry of the same name";
      return false;
    }
    if (!c) {
      auto n = std::make_unique<Node>();
      n->name = name;
      n->directory = !last || e.directory;
      if (last && !e.directory) n->entry = &e;
      c = n.get();
      at->children.push_back(std::move(n));
    }
    at = c;
  }
  return true;
}

// The name-table entry: search form (word count, byte sum, words), then the name as given.
uint32_t AddName(std::vector<uint8_t>* names, const std::string& name) {
  ArchiveSearchName s;
  MakeArchiveSearchName(name.c_str(), &s);
  uint32_t at = uint32_t(names->size());
  size_t words = size_t(s.wordCount) * 4;
  names->resize(at + 4 + 2 * words, 0);
  Put16(names, at, s.wordCount);
  Put16(names, at + 2, s.sum);
  std::memcpy(names->data() + at + 4, s.words, words);
  std::memcpy(names->data() + at + 4 + words, name.data(), name.size());
  return at;
}

}  // namespace

bool BuildArchiveImage(const std::vector<ArchiveWriterEntry>& entries, const ArchiveWriteOptions& options,
                       std::vector<uint8_t>* image, std::string* error) {
  std::string localError;
  if (!error) error = &localError;
  if (options.version < 0 || options.version > ARCHIVE_VERSION_MAX) {
    *error = "version must be 0 to 3";
    return false;
  }
  Node root;
  root.directory = true;
  for (const auto& e : entries)
    if (!AddEntry(&root, e, error)) return false;

  // Directories in breadth-first order; each directory's entries stand together in the file table.
  std::vector<Node*> dirs{&root};
  for (size_t i = 0; i < dirs.size(); i++) {
    dirs[i]->dirOffset = uint32_t(i * ARCHIVE_DIR_ENTRY_SIZE);
    for (auto& c : dirs[i]->children)
      if (c->directory) dirs.push_back(c.get());
  }

  const uint32_t entrySize = ArchiveFileEntrySize(options.version);
  std::vector<uint8_t> out(ARCHIVE_HEADER_SIZE, 0);
  std::vector<uint8_t> names, files, dirTable(dirs.size() * ARCHIVE_DIR_ENTRY_SIZE, 0);
  const uint64_t dataArea = ARCHIVE_HEADER_SIZE;
  for (Node* d : dirs) {
    uint32_t first = uint32_t(files.size());
    for (auto& c : d->children) {
      size_t at = files.size();
      files.resize(at + entrySize, 0);
      c->fileEntryOffset = uint32_t(at);
      Put32(&files, at, AddName(&names, c->name));
      if (c->directory) {
        Put32(&files, at + 4, ARCHIVE_ATTR_DIRECTORY);
        Put32(&files, at + 32, c->dirOffset);
        if (entrySize > 40) Put32(&files, at + 40, ARCHIVE_STORED);
        continue;
      }
      const std::vector<uint8_t>& data = c->entry->data;
      if (data.size() > 0xFFFFFFF0u) {
        *error = "\"" + c->entry->path + "\" is too large";
        return false;
      }
      ArchivePacking mode = c->entry->packing == ArchivePacking::Auto ? options.packing : c->entry->packing;
      std::vector<uint8_t> packed;
      if (options.version >= 2 && mode != ArchivePacking::Stored && !data.empty()) {
        packed = ArchiveLzPack(data.data(), data.size());
        if (mode == ArchivePacking::Auto && packed.size() >= data.size()) packed.clear();
      }
      const std::vector<uint8_t>& body = packed.empty() ? data : packed;
      Put32(&files, at + 4, 0x20);
      Put32(&files, at + 32, uint32_t(out.size() - dataArea));
      Put32(&files, at + 36, uint32_t(data.size()));
      if (entrySize > 40) Put32(&files, at + 40, packed.empty() ? ARCHIVE_STORED : uint32_t(packed.size()));
      out.insert(out.end(), body.begin(), body.end());
      if (out.size() > 0xFFFFFFF0u) {
        *error = "the archive would pass 4 GB";
        return false;
      }
    }
    size_t at = d->dirOffset;
    Put32(&dirTable, at, d == &root ? 0xFFFFFFFFu : d->fileEntryOffset);
    Put32(&dirTable, at + 8, uint32_t(d->children.size()));
    Put32(&dirTable, at + 12, d->children.empty() ? 0 : first);
  }
  for (Node* d : dirs)
    for (auto& c : d->children)
      if (c->directory) Put32(&dirTable, c->dirOffset + 4, d->dirOffset);
  Put32(&dirTable, 4, ARCHIVE_NO_PARENT);

  std::vector<uint8_t> block = names;
  uint32_t fileTable = uint32_t(block.size());
  block.insert(block.end(), files.begin(), files.end());
  uint32_t dirTableAt = uint32_t(block.size());
  block.insert(block.end(), dirTable.begin(), dirTable.end());
  uint32_t blockAt = uint32_t(out.size());
  out.insert(out.end(), block.begin(), block.end());

  Put16(&out, 0, ARCHIVE_MAGIC);
  Put16(&out, 2, uint32_t(options.version));
  Put32(&out, 4, uint32_t(block.size()));
  Put32(&out, 8, uint32_t(dataArea));
  Put32(&out, 12, blockAt);
  Put32(&out, 16, fileTable);
  Put32(&out, 20, dirTableAt);

  uint8_t key[ARCHIVE_KEY_SIZE];
  if (options.fallbackKey) MakeArchiveFallbackKey(key);
  else MakeArchiveKey(options.keyString.empty() ? nullptr : options.keyString.c_str(), key);
  ScrambleArchiveData(out.size(), out.data(), 0, key);
  *image = std::move(out);
  return true;
}

bool WriteArchiveFile(const char* archivePath, const std::vector<ArchiveWriterEntry>& entries,
                      const ArchiveWriteOptions& options, std::string* error) {
  std::string localError;
  if (!error) error = &localError;
  std::vector<uint8_t> image;
  if (!BuildArchiveImage(entries, options, &image, error)) return false;
  if (!WriteFileBytes(archivePath, image)) {
    *error = std::string("cannot write ") + archivePath;
    return false;
  }
  return true;
}

bool CollectFolderEntries(const char* folder, std::vector<ArchiveWriterEntry>* entries, std::string* error) {
  namespace fs = std::filesystem;
  std::string localError;
  if (!error) error = &localError;
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    *error = std::string(folder) + " is not a folder";
    return false;
  }
  std::vector<fs::path> paths;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec))
    paths.push_back(it->path());
  if (ec) {
    *error = "cannot list " + std::string(folder) + ": " + ec.message();
    return false;
  }
  std::sort(paths.begin(), paths.end());
  for (const fs::path& p : paths) {
    ArchiveWriterEntry e;
    std::string relative = fs::relative(p, folder, ec).generic_string();
    e.path = plat::Utf8ToCp932(relative);
    if (fs::is_directory(p, ec)) {
      e.directory = true;
    } else if (fs::is_regular_file(p, ec)) {
      std::ifstream f(p, std::ios::binary);
      e.data.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
      if (!f.good() && !f.eof()) {
        *error = "cannot read " + p.string();
        return false;
      }
    } else {
      continue;
    }
    entries->push_back(std::move(e));
  }
  return true;
}

bool PackFolderToArchive(const char* folder, const char* archivePath, const ArchiveWriteOptions& options,
                         std::string* error) {
  std::vector<ArchiveWriterEntry> entries;
  return CollectFolderEntries(folder, &entries, error) && WriteArchiveFile(archivePath, entries, options, error);
}
