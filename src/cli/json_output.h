#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace quorvel {

// A message line as JSON text: its bytes are Latin-1 (é is 0xE9), so each becomes the
// character of that number, written as UTF-8.
[[nodiscard]] std::string latin1Text(std::string_view bytes);

// A name or a note as JSON text: as it is when it is UTF-8, which names mostly are, else
// decoded as Latin-1, so that the JSON is always valid.
[[nodiscard]] std::string nameText(std::string_view bytes);

// What the programs print with --json when they stop on a failure or a usage error: the
// message line without its line feed, and the exit code.
[[nodiscard]] nlohmann::json errorObject(std::string_view message, int exitCode);

// Prints value on standard output, one line.
void printJson(const nlohmann::json& value);

// Prints a refusal: its line on standard output (or as JSON) and its hint on standard error;
// returns its exit code.
int printRefusal(std::string_view message, std::string_view hint, bool json, int exitCode);

}  // namespace quorvel
