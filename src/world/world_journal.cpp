#include "world/world_journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <system_error>
#include <utility>
#include <vector>

#include "world/manifest.h"
#include "world/world_files.h"

namespace quorvel {
namespace {

std::string readText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

WorldJournal::WorldJournal(std::filesystem::path outdir, std::string base, std::int32_t shardIndex,
                           std::int32_t shardCount)
    : outdir_(std::move(outdir)), file_(outdir_ / journalName(base, shardIndex, shardCount)) {
  std::vector<std::filesystem::path> records;
  std::vector<std::filesystem::path> journals;
  for (const std::filesystem::directory_entry& entry :
       std::filesystem::directory_iterator(outdir_)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(base + ".")) continue;
    if (name == manifestName(base) || isShardRecordName(base, name))
      records.push_back(entry.path());
    if (name.ends_with(".journal")) journals.push_back(entry.path());
  }
  for (const std::filesystem::path& path : records) {
    if (const std::optional<WorldRecord> record = parseRecord(readText(path))) {
      for (const WorldTile& tile : record->tiles) recorded_.emplace(tile.file, tile);
    }
  }
  for (const std::filesystem::path& path : journals) {
    std::istringstream lines(readText(path));
    for (std::string line; std::getline(lines, line);) {
      if (const std::optional<WorldTile> tile = parseJournalLine(line)) {
        recorded_.emplace(tile->file, *tile);
      }
    }
  }
}

std::optional<WorldTile> WorldJournal::current(const WorldTile& tile,
                                               const std::string& fingerprint) const {
  const std::string path = (outdir_ / tile.file).string();
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return std::nullopt;
  std::optional<std::pair<std::int64_t, std::string>> hashed;
  const auto range = recorded_.equal_range(tile.file);
  for (auto it = range.first; it != range.second; ++it) {
    const WorldTile& record = it->second;
    if (record.fingerprint != fingerprint || record.bytes != static_cast<std::int64_t>(size) ||
        record.column != tile.column || record.row != tile.row) {
      continue;
    }
    if (!hashed) hashed = hashFile(path);
    if (hashed && hashed->first == record.bytes && hashed->second == record.sha256) return record;
  }
  return std::nullopt;
}

void WorldJournal::append(const WorldTile& tile) {
  const std::string line = journalLine(tile);
  const std::lock_guard lock(mutex_);
  const int fd = ::open(file_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return;
  [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
  ::close(fd);
}

void WorldJournal::remove() {
  std::error_code error;
  std::filesystem::remove(file_, error);
}

}  // namespace quorvel
