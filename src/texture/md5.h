// MD5 (RFC 1321), for the names of the desktop's shared thumbnails, which are
// the MD5 of a file's URI. Not for anything that needs a secure hash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The 16-byte digest of `size` bytes at `data`, as 32 lower-case hex digits.
std::string md5Hex(const void* data, size_t size);
inline std::string md5Hex(const std::string& text) { return md5Hex(text.data(), text.size()); }
