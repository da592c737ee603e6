#pragma once

#include <exception>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "quorvel/types.h"

namespace quorvel {

// A message line as JSON text: its bytes are Latin-1 (é is 0xE9), so each becomes the
// character of that number, written as UTF-8.
[[nodiscard]] std::string latin1Text(std::string_view bytes);

// A name or a note as JSON text: as it is when it is UTF-8, which names mostly are, else
// decoded as Latin-1, so that the JSON is always valid.
[[nodiscard]] std::string nameText(std::string_view bytes);

// What the programs print with --json when they stop on a failure or a usage error: the
// message line without its line feed, the exit code, the kind of failure and, when there is
// one, the hint (the lines the text mode prints on standard error).
[[nodiscard]] nlohmann::json errorObject(std::string_view message, int exitCode, ErrorKind kind,
                                         std::string_view hint = {});

// The kind of a failure that is neither a Failure nor an Error: memory for an allocation or
// a thread refused, write for a file system call (the programs create their outputs and
// folders so), format for anything else, a record that could not be parsed.
[[nodiscard]] ErrorKind kindOfException(const std::exception& error);

// Prints value on standard output, one line.
void printJson(const nlohmann::json& value);

// Prints a refusal: its line on standard output (or as JSON, with the hint) and its hint on
// standard error; returns its exit code.
int printRefusal(std::string_view message, std::string_view hint, bool json, int exitCode,
                 ErrorKind kind);

}  // namespace quorvel
