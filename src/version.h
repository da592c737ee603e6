#pragma once

namespace quorvel {

// Both programs print it in their banners.
inline constexpr const char* kVersion = "0.01.0000";

}  // namespace quorvel
