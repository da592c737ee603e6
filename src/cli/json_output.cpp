#include "cli/json_output.h"

#include <cstdio>
#include <filesystem>
#include <new>
#include <system_error>

namespace quorvel {
namespace {

// The length of the UTF-8 sequence at text[at], or 0 when none begins there.
std::size_t utf8Sequence(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) return 1;
  const std::size_t length = lead >= 0xF0 && lead < 0xF5 ? 4
                             : lead >= 0xE0              ? 3
                             : lead >= 0xC2              ? 2
                                                         : 0;
  if (length == 0 || at + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
  }
  // Overlong three- and four-byte forms, surrogates and values past U+10FFFF.
  if (length == 3 &&
      ((lead == 0xE0 && byte(at + 1) < 0xA0) || (lead == 0xED && byte(at + 1) >= 0xA0))) {
    return 0;
  }
  if (length == 4 &&
      ((lead == 0xF0 && byte(at + 1) < 0x90) || (lead == 0xF4 && byte(at + 1) >= 0x90))) {
    return 0;
  }
  return length;
}

}  // namespace

std::string latin1Text(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      text += c;
    } else {
      text += static_cast<char>(0xC0 | b >> 6);
      text += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return text;
}

std::string nameText(std::string_view bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = utf8Sequence(bytes, at);
    if (length == 0) return latin1Text(bytes);
    at += length;
  }
  return std::string(bytes);
}

nlohmann::json errorObject(std::string_view message, int exitCode, ErrorKind kind,
                           std::string_view hint) {
  if (!message.empty() && message.back() == '\n') message.remove_suffix(1);
  if (!hint.empty() && hint.back() == '\n') hint.remove_suffix(1);
  nlohmann::json object = {
      {"error", latin1Text(message)}, {"exit", exitCode}, {"kind", errorKindName(kind)}};
  if (!hint.empty()) object["hint"] = nameText(hint);
  return object;
}

ErrorKind kindOfException(const std::exception& error) {
  if (dynamic_cast<const std::filesystem::filesystem_error*>(&error) != nullptr) {
    return ErrorKind::kWrite;
  }
  if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr ||
      dynamic_cast<const std::system_error*>(&error) != nullptr) {
    return ErrorKind::kMemory;
  }
  return ErrorKind::kFormat;
}

void printJson(const nlohmann::json& value) {
  const std::string text = value.dump();
  std::fputs(text.c_str(), stdout);
  std::fputc('\n', stdout);
}

int printRefusal(std::string_view message, std::string_view hint, bool json, int exitCode,
                 ErrorKind kind) {
  if (json) {
    printJson(errorObject(message, exitCode, kind, hint));
  } else {
    std::fwrite(message.data(), 1, message.size(), stdout);
    if (message.empty() || message.back() != '\n') std::fputc('\n', stdout);
  }
  std::fflush(stdout);
  if (!hint.empty()) {
    std::fwrite(hint.data(), 1, hint.size(), stderr);
    if (hint.back() != '\n') std::fputc('\n', stderr);
  }
  return exitCode;
}

}  // namespace quorvel
