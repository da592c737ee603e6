#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "failure.h"

namespace quorvel {

// The refusal of a map that cannot be made ("impossible de creer le fichier <mapName>"), with
// why in its hint, as far as a look at its folder tells without making anything; none when
// nothing stands in the way. A look costs microseconds where the images take seconds, so a
// compile asks before it reads them.
[[nodiscard]] std::optional<Failure> mapCreationFailure(const std::string& mapName);

// The terrain file being written, to a temporary file beside the target (mapName + ".tmp" +
// process id + "-" + a number, the name by which a program's signal handler finds it), each
// span of bytes straight from where it was made to its place in the file; only commit() gives
// the file its name, so a failed or interrupted run never leaves a partial map nor touches an
// earlier one.
class MapFile {
 public:
  // Throws "impossible de creer le fichier <mapName>" when the temporary file cannot be made
  // or mapName is a directory.
  explicit MapFile(std::string mapName);
  MapFile(const MapFile&) = delete;
  MapFile& operator=(const MapFile&) = delete;
  // Removes the temporary file unless commit() succeeded.
  ~MapFile();

  // Writes count bytes at offset. Threads may write different parts at once; throws the write
  // message.
  void writeAt(const std::uint8_t* data, std::size_t count, std::int64_t offset) const;

  // Closes the file and renames it to mapName. Throws the write
  // message on any failure, after which the destructor removes the temporary file.
  void commit();

  [[nodiscard]] const std::string& mapName() const { return mapName_; }
  [[nodiscard]] const std::string& temporaryName() const { return temporaryName_; }

 private:
  [[noreturn]] void failWrite() const;

  std::string mapName_;
  std::string temporaryName_;
  int fd_ = -1;
  bool committed_ = false;
};

}  // namespace quorvel
