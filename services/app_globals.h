#pragma once
// The program's names, shared by the shell, its start-up and the tests.

inline constexpr char PRODUCT_TITLE[] = "Waylune Desktop";
inline constexpr char MAIN_CLASS_NAME[] = "Waylune Desktop";
inline constexpr char MUTEX_NAME[] = "KMOrrowinMutex";
