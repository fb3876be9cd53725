#pragma once
// The program's version, shown by the General page, sent to the update page
// and written at the head of the debug log.

constexpr int VERSION_MAJOR = 1;
constexpr int VERSION_MINOR = 7;
constexpr int VERSION_PATCH = 0;
constexpr int VERSION_BUILD = 2081;
