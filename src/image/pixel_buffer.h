#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "worker_threads.h"

namespace quorvel {

// A file whose pixels will need about bytes bytes.
struct PreparedFile {
  std::string fileName;
  std::size_t bytes;
};

// Buffers allocated and zeroed ahead, one a file, in turn, on a thread of their own, while
// other work goes on: the first touch of fresh memory is a large part of a large load on a
// virtual machine. A load takes its file's buffer with resize; any never taken are freed
// with the object. Speed only: every buffer holds the same zeros either way.
class PixelBuffers {
 public:
  PixelBuffers() = default;
  PixelBuffers(const PixelBuffers&) = delete;
  PixelBuffers& operator=(const PixelBuffers&) = delete;
  ~PixelBuffers();

  // Starts making the buffers for files, dropping any made for earlier ones.
  void prepare(std::vector<PreparedFile> files);

  // resizeOnReadyPages, through the buffer prepared for fileName when it is large enough (waiting
  // while it is being made).
  void resize(std::vector<std::uint8_t>& pixels, std::size_t bytes, const std::string& fileName);

 private:
  bool take(const std::string& fileName, std::size_t bytes, std::vector<std::uint8_t>& out);
  void make();
  void stop();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<PreparedFile> files_;
  std::map<std::size_t, std::vector<std::uint8_t>> ready_;  // by place in files_
  std::size_t next_ = 0;                                    // the first of files_ not yet made
  bool stopping_ = false;
  SideThread worker_;
};

}  // namespace quorvel
