#pragma once
// Integer lists as the settings store keeps them in registry strings:
// decimal integers separated by commas ("50,15,50,15"); semicolons and
// blanks are accepted between numbers when reading.

#include <cstddef>
#include <string>

// Longest text looked at; anything beyond is ignored.
constexpr size_t kIntListMaxText = 4096;

// Clears out[0..count), then stores up to count numbers found in text.
// Returns how many were stored. A null text or count <= 0 stores nothing.
// Numbers outside the int range are clamped.
int ParseIntList(const char* text, int* out, int count);

// "%d" for the first value and ",%d" for each further one.
std::string FormatIntList(const int* values, int count);
