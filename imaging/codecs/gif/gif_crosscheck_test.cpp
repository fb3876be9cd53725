#include <gtest/gtest.h>
TEST(Gif, Stub) {}
