// Whole files as bytes, for the unit and the game tests. Paths are UTF-8.
#pragma once

#include <string>

// Reads a whole file as bytes; empty when absent.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// ASCII text as a UTF-16 little-endian file's bytes, its byte-order mark first.
std::string Utf16Le(const std::string& ascii);
