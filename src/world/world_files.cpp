#include "world/world_files.h"

#include <sys/stat.h>
#include <time.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "file_handle.h"
#include "map/map_file.h"
#include "world/sha256.h"

namespace quorvel {
namespace {

// The whole number that text is, digits only and no sign; nothing otherwise.
std::optional<std::int64_t> wholeNumber(const std::string& text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

std::string worldBaseName(const std::string& prefix) {
  const std::string base = std::filesystem::path(prefix).filename().string();
  return base.empty() ? "world" : base;
}

std::optional<std::pair<std::int32_t, std::int32_t>> shardOfRecordName(const std::string& base,
                                                                       const std::string& name) {
  const std::string start = base + ".shard-";
  const std::string end = ".json";
  if (name.size() <= start.size() + end.size() || !name.starts_with(start) ||
      !name.ends_with(end)) {
    return std::nullopt;
  }
  const std::string middle = name.substr(start.size(), name.size() - start.size() - end.size());
  const std::size_t of = middle.find("-of-");
  if (of == std::string::npos) return std::nullopt;
  const std::optional<std::int64_t> index = wholeNumber(middle.substr(0, of));
  const std::optional<std::int64_t> count = wholeNumber(middle.substr(of + 4));
  if (!index || !count || *index >= *count) return std::nullopt;
  // Written as the run names it, so that each shard has one name.
  if (std::to_string(*index) != middle.substr(0, of) ||
      std::to_string(*count) != middle.substr(of + 4)) {
    return std::nullopt;
  }
  return std::pair{static_cast<std::int32_t>(*index), static_cast<std::int32_t>(*count)};
}

std::optional<std::string> temporaryFileOf(const std::string& name) {
  const std::size_t mark = name.rfind(".tmp");
  if (mark == std::string::npos || mark == 0) return std::nullopt;
  const std::string tail = name.substr(mark + 4);
  const std::size_t dash = tail.find('-');
  if (dash == std::string::npos || !wholeNumber(tail.substr(0, dash)) ||
      !wholeNumber(tail.substr(dash + 1))) {
    return std::nullopt;
  }
  return name.substr(0, mark);
}

std::optional<FileIdentity> identityOf(const std::string& fileName) {
  struct stat status{};
  if (::stat(fileName.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  const auto ns = [](const timespec& time) {
    return std::int64_t{time.tv_sec} * 1000000000 + time.tv_nsec;
  };
  return FileIdentity{status.st_size, ns(status.st_mtim), ns(status.st_ctim), status.st_ino,
                      status.st_dev};
}

void waitPast(std::int64_t ctimeNs) {
  // The kernel stamps files from its coarse clock, or a finer one that is never behind it.
  for (;;) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    if (std::int64_t{now.tv_sec} * 1000000000 + now.tv_nsec > ctimeNs) return;
    const timespec pause{0, 1000000};
    ::nanosleep(&pause, nullptr);
  }
}

std::optional<std::pair<std::int64_t, std::string>> hashFile(const std::string& fileName) {
  const FileHandle file(std::fopen(fileName.c_str(), "rb"));
  if (!file) return std::nullopt;
  Sha256 sha;
  std::vector<std::uint8_t> buffer(std::size_t{1} << 20);
  std::int64_t bytes = 0;
  while (const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get())) {
    sha.update(buffer.data(), got);
    bytes += static_cast<std::int64_t>(got);
  }
  if (std::ferror(file.get()) != 0) return std::nullopt;
  return std::pair{bytes, hexDigest(sha.finish())};
}

bool writeIfChanged(const std::string& fileName, const std::string& text) {
  {
    std::ifstream in(fileName, std::ios::binary);
    if (in && std::string(std::istreambuf_iterator<char>(in), {}) == text) return false;
  }
  MapFile file(fileName);
  file.writeAt(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), 0);
  file.commit();
  return true;
}

}  // namespace quorvel
