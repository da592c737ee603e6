#pragma once

#include <string>

namespace quorvel {

// Throws "cannot create NAME: reason" unless a regular file of that name can be written: it
// is one already, writable, or does not exist and its directory takes a new file. Checked
// before the map is read, so that an output that can never be written (a device such as
// /dev/full, a directory, a missing folder) costs nothing.
void checkOutputName(const std::string& fileName);

}  // namespace quorvel
