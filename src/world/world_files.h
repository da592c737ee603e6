#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace quorvel {

// The base of a world's file names: the prefix's last path component ("world" when it has
// none, as "terrain/" has not).
[[nodiscard]] std::string worldBaseName(const std::string& prefix);

// The shard, index and count, whose record is named name ("<base>.shard-K-of-N.json"),
// or nothing for any other name.
[[nodiscard]] std::optional<std::pair<std::int32_t, std::int32_t>> shardOfRecordName(
    const std::string& base, const std::string& name);
[[nodiscard]] inline bool isShardRecordName(const std::string& base, const std::string& name) {
  return shardOfRecordName(base, name).has_value();
}

// The file whose temporary file is named name (file + ".tmp" + process id + "-" + attempt, as
// MapFile names them), or nothing.
[[nodiscard]] std::optional<std::string> temporaryFileOf(const std::string& name);

// What the file system says of a file without reading it, as version-control indexes keep
// it: any write changes the change time, even one that puts the modification time back.
struct FileIdentity {
  std::int64_t size = 0;
  std::int64_t mtimeNs = 0;  // modification time, nanoseconds since 1970
  std::int64_t ctimeNs = 0;  // change time
  std::uint64_t inode = 0;
  std::uint64_t device = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The identity of a regular file (symbolic links followed), or nothing.
[[nodiscard]] std::optional<FileIdentity> identityOf(const std::string& fileName);

// Returns once the clock that file times are taken from has passed ctimeNs, so that any later
// change to a file whose change time is ctimeNs gives it another (a few milliseconds at most).
void waitPast(std::int64_t ctimeNs);

// The size and SHA-256 of a file, or nothing when it cannot be read.
[[nodiscard]] std::optional<std::pair<std::int64_t, std::string>> hashFile(
    const std::string& fileName);

// Replaces the file by text through a temporary file, unless it already holds exactly text;
// returns whether it wrote. Throws a Failure when it cannot.
bool writeIfChanged(const std::string& fileName, const std::string& text);

}  // namespace quorvel
