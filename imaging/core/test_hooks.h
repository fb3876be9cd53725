#pragma once
// Hooks for tests and debugging sessions; the library never sets them itself.

#include <cstdint>

namespace Pictura {

// The next thread state made on any thread fails to register (as when the
// registry cannot grow): it must be freed and the caller gets null.
void PicTestFailNextRegistration();

// Receives every text passed to DebugHook (formatted), with its level.
using DebugHookObserver = void (*)(uint32_t level, const char* text);
void SetDebugHookObserver(DebugHookObserver observer);

}  // namespace Pictura
