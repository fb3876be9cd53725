#include "stage/portable/bubble_text.h"

#include <cstring>

namespace {
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
}  // namespace

size_t PrepareBubbleText(const char* text, char (&buffer)[kBubbleTextCapacity]) {
  std::memset(buffer, 0, sizeof buffer);
  if (!text) return 0;
  size_t length = strnlen(text, kBubbleTextMax);
  size_t start = 0;
  while (start < length && IsBlank(text[start])) ++start;
  while (length > start && IsBlank(text[length - 1])) --length;
  std::memcpy(buffer, text + start, length - start);
  return length - start;
}
