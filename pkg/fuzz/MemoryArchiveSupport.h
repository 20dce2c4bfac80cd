#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Files of the in-memory stand-in for the package library's system
// services (see MemoryArchiveSupport.cpp), for the fuzz targets.
namespace pkgfuzz {

// Makes (or replaces) the file at path with the bytes.
void putMemoryFile(const std::string& path, const uint8_t* data, size_t size);
// Forgets every file and descriptor.
void clearMemoryFiles();

}  // namespace pkgfuzz
