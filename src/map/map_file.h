#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "little_endian.h"

namespace quorvel {

// The terrain file being written. Bytes go to a temporary file beside the target through one
// large buffer; only commit() gives the file its name, so a failed or interrupted run never
// leaves a partial map nor touches an earlier one.
class MapFile {
 public:
  // Throws "impossible de creer le fichier <mapName>" when the temporary file cannot be made
  // or mapName is a directory.
  explicit MapFile(std::string mapName);
  MapFile(const MapFile&) = delete;
  MapFile& operator=(const MapFile&) = delete;
  // Removes the temporary file unless commit() succeeded.
  ~MapFile();

  void putU32(std::uint32_t value) {
    if (kBufferBytes - used_ < 4) flush();
    storeLe32(buffer_.get() + used_, value);
    used_ += 4;
  }
  void putI32(std::int32_t value) { putU32(static_cast<std::uint32_t>(value)); }
  void putBytes(const std::uint8_t* data, std::size_t count);

  // Writes what is buffered, closes the file and renames it to mapName. Throws the write
  // message on any failure, after which the destructor removes the temporary file.
  void commit();

  [[nodiscard]] const std::string& mapName() const { return mapName_; }
  [[nodiscard]] const std::string& temporaryName() const { return temporaryName_; }

 private:
  static constexpr std::size_t kBufferBytes = std::size_t{1} << 20;

  void flush();
  void writeAll(const std::uint8_t* data, std::size_t count);
  [[noreturn]] void failWrite() const;

  std::string mapName_;
  std::string temporaryName_;
  int fd_ = -1;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t used_ = 0;
  bool committed_ = false;
};

// Makes SIGINT, SIGTERM and SIGHUP remove the temporary file of the map being written before
// the process ends as the signal says. Called once, by main.
void removeTemporaryMapOnSignal();

}  // namespace quorvel
