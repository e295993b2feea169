// SPDX-License-Identifier: GPL-3.0-or-later
// Little-endian numbers in byte strings, for the readers and writers of the
// Quake formats. Callers check that the bytes are there first.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

// The bytes of a file or a lump, as read.
using TBytes = std::string;

namespace QuakeBytes {

inline int32_t Int32At(const TBytes &bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i)
    value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  return static_cast<int32_t>(value);
}

inline void PutInt32(TBytes &bytes, size_t at, int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  for (size_t i = 0; i < 4; ++i)
    bytes[at + i] = static_cast<char>(bits >> (8 * i));
}

inline void AppendInt32(TBytes &bytes, int32_t value) {
  bytes.append(4, '\0');
  PutInt32(bytes, bytes.size() - 4, value);
}

// Whether count bytes from at lie inside bytes; negative values never do.
inline bool Fits(const TBytes &bytes, int64_t at, int64_t count) {
  return at >= 0 && count >= 0 && at <= static_cast<int64_t>(bytes.size()) &&
         count <= static_cast<int64_t>(bytes.size()) - at;
}

// A fixed-size name field: up to its first zero byte.
inline std::string NameAt(const TBytes &bytes, size_t at, size_t size) {
  const char *start = bytes.data() + at;
  const void *zero = std::memchr(start, 0, size);
  return std::string(start, zero != nullptr ? static_cast<size_t>(static_cast<const char *>(zero) - start) : size);
}

// A name into a fixed-size field, zero-padded (cut when longer).
inline void PutName(TBytes &bytes, size_t at, size_t size, const std::string &name) {
  std::memset(bytes.data() + at, 0, size);
  std::memcpy(bytes.data() + at, name.data(), std::min(size, name.size()));
}

} // namespace QuakeBytes
