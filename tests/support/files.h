// Whole files as bytes, for the unit and the game tests. Paths are UTF-8.
#pragma once

#include <string>

// Reads a whole file as bytes; empty when absent.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
