#pragma once
// The text of a speech bubble: at most 479 characters, trimmed of blanks.
// The buffer has room for what the ellipsis drawing writes back into it.

#include <cstddef>

constexpr size_t kBubbleTextMax = 479;
// Drawing with a path ellipsis may write up to four characters more than the
// text had; the extra room keeps that inside the buffer.
constexpr size_t kBubbleEllipsisRoom = 4;
constexpr size_t kBubbleTextCapacity = kBubbleTextMax + 1 + kBubbleEllipsisRoom;

// Copies text (null counts as empty) into buffer, zero-filled, trimmed.
// Returns the trimmed length.
size_t PrepareBubbleText(const char* text, char (&buffer)[kBubbleTextCapacity]);
