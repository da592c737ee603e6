#include "world/world_journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <exception>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <system_error>
#include <utility>

#include "version.h"
#include "world/manifest.h"

namespace quorvel {
namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kCacheFormat = "quorvel-world-cache";
constexpr int kCacheFormatVersion = 1;

std::string readText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string cacheName(const std::string& base, std::int32_t shardIndex, std::int32_t shardCount) {
  if (shardCount <= 1) return base + ".world.cache";
  return base + ".shard-" + std::to_string(shardIndex) + "-of-" + std::to_string(shardCount) +
         ".cache";
}

Json cacheJson(const TileCache& entry) {
  const FileIdentity& id = entry.identity;
  return {{"file", entry.file},         {"size", id.size},
          {"mtime_ns", id.mtimeNs},     {"ctime_ns", id.ctimeNs},
          {"inode", id.inode},          {"device", id.device},
          {"sha256", entry.sha256},     {"inputs_key", entry.inputsKey},
          {"fingerprint", entry.fingerprint}};
}

TileCache cacheOf(const Json& json) {
  TileCache entry;
  json.at("file").get_to(entry.file);
  json.at("size").get_to(entry.identity.size);
  json.at("mtime_ns").get_to(entry.identity.mtimeNs);
  json.at("ctime_ns").get_to(entry.identity.ctimeNs);
  json.at("inode").get_to(entry.identity.inode);
  json.at("device").get_to(entry.identity.device);
  json.at("sha256").get_to(entry.sha256);
  json.at("inputs_key").get_to(entry.inputsKey);
  json.at("fingerprint").get_to(entry.fingerprint);
  return entry;
}

bool sameEntry(const TileCache& a, const TileCache& b) {
  return a.file == b.file && a.identity == b.identity && a.sha256 == b.sha256 &&
         a.inputsKey == b.inputsKey && a.fingerprint == b.fingerprint;
}

// The cache entries of a journal's lines, in the order they were appended.
std::vector<TileCache> journalCaches(const std::filesystem::path& path) {
  std::vector<TileCache> entries;
  std::istringstream lines(readText(path));
  for (std::string line; std::getline(lines, line);) {
    try {
      const Json json = Json::parse(line);
      if (json.contains("cache")) entries.push_back(cacheOf(json.at("cache")));
    } catch (const std::exception&) {
      // A line cut short by a kill: its tile is checked again.
    }
  }
  return entries;
}

}  // namespace

WorldJournal::WorldJournal(std::filesystem::path outdir, std::string base, std::int32_t shardIndex,
                           std::int32_t shardCount)
    : outdir_(std::move(outdir)),
      file_(outdir_ / journalName(base, shardIndex, shardCount)),
      cache_(outdir_ / cacheName(base, shardIndex, shardCount)) {
  std::vector<std::filesystem::path> records;
  std::vector<std::filesystem::path> journals;
  std::vector<std::filesystem::path> caches;
  for (const std::filesystem::directory_entry& entry :
       std::filesystem::directory_iterator(outdir_)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(base + ".")) continue;
    if (name == manifestName(base) || isShardRecordName(base, name))
      records.push_back(entry.path());
    if (name.ends_with(".journal")) journals.push_back(entry.path());
    if (name.ends_with(".cache")) caches.push_back(entry.path());
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
    for (TileCache& entry : journalCaches(path)) cached_.emplace(entry.file, std::move(entry));
  }
  for (const std::filesystem::path& path : caches) {
    try {
      const Json json = Json::parse(readText(path));
      if (json.at("format") != kCacheFormat || json.at("format_version") != kCacheFormatVersion) {
        continue;
      }
      for (const Json& key : json.at("altitude_checked")) altitudeChecks_.insert(key);
      for (const Json& tile : json.at("tiles")) {
        TileCache entry = cacheOf(tile);
        cached_.emplace(entry.file, std::move(entry));
      }
    } catch (const std::exception&) {
      // A cache that cannot be read only costs reading the files again.
    }
  }
}

std::optional<std::string> WorldJournal::cachedFingerprint(const std::string& file,
                                                           const std::string& inputsKey) const {
  if (inputsKey.empty()) return std::nullopt;
  const auto range = cached_.equal_range(file);
  for (auto it = range.first; it != range.second; ++it) {
    if (it->second.inputsKey == inputsKey) return it->second.fingerprint;
  }
  return std::nullopt;
}

bool WorldJournal::altitudeChecked(const std::string& key) const {
  return !key.empty() && altitudeChecks_.contains(key);
}

bool WorldJournal::cached(const TileCache& entry) const {
  const auto range = cached_.equal_range(entry.file);
  return std::any_of(range.first, range.second,
                     [&](const auto& it) { return sameEntry(it.second, entry); });
}

CurrentTile WorldJournal::current(const WorldTile& tile, const std::string& fingerprint,
                                  bool trustIdentity) const {
  CurrentTile result;
  const std::string path = (outdir_ / tile.file).string();
  result.identity = identityOf(path);
  if (!result.identity) return result;
  const FileIdentity& identity = *result.identity;
  std::optional<std::pair<std::int64_t, std::string>> hashed;
  const auto range = recorded_.equal_range(tile.file);
  for (auto it = range.first; it != range.second; ++it) {
    const WorldTile& record = it->second;
    if (record.fingerprint != fingerprint || record.bytes != identity.size ||
        record.column != tile.column || record.row != tile.row) {
      continue;
    }
    if (trustIdentity) {
      const auto cachedRange = cached_.equal_range(tile.file);
      for (auto at = cachedRange.first; at != cachedRange.second; ++at) {
        if (at->second.identity == identity && at->second.sha256 == record.sha256) {
          result.record = record;
          return result;
        }
      }
    }
    if (!hashed) {
      hashed = hashFile(path);
      result.hashed = true;
    }
    if (hashed && hashed->first == record.bytes && hashed->second == record.sha256) {
      result.record = record;
      return result;
    }
  }
  return result;
}

void WorldJournal::append(const WorldTile& tile, const TileCache* cache) {
  Json json = manifestTileJson(tile);
  if (cache != nullptr) json["cache"] = cacheJson(*cache);
  const std::string line = json.dump() + "\n";
  const std::lock_guard lock(mutex_);
  const int fd = ::open(file_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return;
  [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
  ::close(fd);
}

void WorldJournal::finish(const std::vector<WorldTile>& tiles, const std::string& altitudeKey,
                          std::int64_t newestInputCtime) {
  // What this run learnt, from every process that built its tiles, the latest first; then
  // what earlier runs knew.
  std::vector<TileCache> learnt = journalCaches(file_);
  std::reverse(learnt.begin(), learnt.end());
  Json entries = Json::array();
  std::int64_t newest = newestInputCtime;
  for (const WorldTile& tile : tiles) {
    const std::optional<FileIdentity> identity = identityOf((outdir_ / tile.file).string());
    if (!identity) continue;
    const auto fits = [&](const TileCache& entry) {
      return entry.file == tile.file && entry.identity == *identity &&
             entry.sha256 == tile.sha256 && entry.fingerprint == tile.fingerprint;
    };
    const TileCache* found = nullptr;
    for (const TileCache& entry : learnt) {
      if (fits(entry)) {
        found = &entry;
        break;
      }
    }
    const auto range = cached_.equal_range(tile.file);
    for (auto it = range.first; found == nullptr && it != range.second; ++it) {
      if (fits(it->second)) found = &it->second;
    }
    if (found == nullptr) continue;
    entries.push_back(cacheJson(*found));
    newest = std::max(newest, found->identity.ctimeNs);
  }
  Json checks = Json::array();
  if (!altitudeKey.empty()) checks.push_back(altitudeKey);
  const Json json = {{"format", kCacheFormat},
                     {"format_version", kCacheFormatVersion},
                     {"tool", kVersion},
                     {"altitude_checked", checks},
                     {"tiles", entries}};
  const std::string text = json.dump(1) + "\n";
  std::error_code error;
  if (readText(cache_) != text) {
    // A file changed later in the same tick of the clock as its recorded change time would
    // keep that time: the cache is written only once the clock has moved on.
    waitPast(newest);
    try {
      writeIfChanged(cache_.string(), text);
    } catch (const std::exception&) {
      std::filesystem::remove(cache_, error);  // a cache not written is only a cost
    }
  }
  std::filesystem::remove(file_, error);
}

}  // namespace quorvel
