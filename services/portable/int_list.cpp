#include "services/portable/int_list.h"

#include <climits>
#include <cstring>

namespace {

const char* FindAny(const char* from, const char* end, const char* set) {
  for (const char* p = from; p < end; ++p)
    if (std::strchr(set, *p)) return p;
  return nullptr;
}

// Decimal number at p (an optional minus, then digits); stops at end.
int ConvertNumber(const char* p, const char* end) {
  bool negative = false;
  if (p < end && *p == '-') {
    negative = true;
    ++p;
  }
  long long value = 0;
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;  // saturate
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  if (value < INT_MIN) value = INT_MIN;
  return static_cast<int>(value);
}

}  // namespace

int ParseIntList(const char* text, int* out, int count) {
  if (!out || count <= 0) return 0;
  for (int i = 0; i < count; ++i) out[i] = 0;
  if (!text) return 0;
  // Only the first kIntListMaxText characters count; strnlen never reads past them.
  const char* end = text + strnlen(text, kIntListMaxText);
  int stored = 0;
  const char* p = text;
  while (stored < count) {
    const char* number = FindAny(p, end, "0123456789-");
    if (!number) break;
    out[stored++] = ConvertNumber(number, end);
    const char* separator = FindAny(number, end, ",; ");
    if (!separator) break;
    p = separator + 1;
  }
  return stored;
}

std::string FormatIntList(const int* values, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    if (i) text += ',';
    text += std::to_string(values[i]);
  }
  return text;
}
