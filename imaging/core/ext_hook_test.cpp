// The plug-ins' extension table: its layout, and sources, destinations,
// callbacks and errors reached through it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "core/test_hooks.h"
#include "core/pictura_core.h"
#include "core/pictura_io.h"
#include "core/pictura_ext_hook.h"

namespace {

BOOL PICAPI GoOn(DWORD, DWORD, PIC_USERDATA) {
  return TRUE;
}
void* PICAPI NoBlock(DWORD, PIC_USERDATA) {
  return nullptr;
}

// The table as a plug-in takes it: frees it when done.
struct Table {
  PicExtHookTable* t;
  explicit Table(DWORD word) : t(pic_GetExtHook(word)) {}
  ~Table() {
    if (t) GlobalFree(t);
  }
  PicExtHookTable* operator->() const { return t; }
};

}  // namespace

TEST(ExtHook, TableHoldsTheCallersWordAndTheEntries) {
  pic_SetLastErrorProxy(7);
  Table table(0xC0FFEE);
  ASSERT_NE(table.t, nullptr);
  EXPECT_EQ(PicGetLastError(), 0u);
  EXPECT_EQ(table->size, sizeof(PicExtHookTable));
#ifdef _WIN32
  EXPECT_EQ(table->size, 48u);  // twelve 32-bit words
#endif
  EXPECT_GE(GlobalSize(table.t), sizeof(PicExtHookTable));
  EXPECT_EQ(table->callerWord, 0xC0FFEEu);
  EXPECT_EQ(table->read, &ExtHookRead);
  EXPECT_EQ(table->write, &ExtHookWrite);
  EXPECT_EQ(table->seek, &ExtHookSeek);
  EXPECT_EQ(table->getPos, &ExtHookGetPos);
  EXPECT_EQ(table->getSize, &ExtHookGetSize);
  EXPECT_EQ(table->isEOF, &ExtHookIsEOF);
  EXPECT_EQ(table->getCallback, &ExtHookGetCallback);
  EXPECT_EQ(table->getAllocCallbacks, &GetFileReadAllocCallbacks);
  EXPECT_EQ(table->setLastError, &pic_SetLastErrorProxy);
  EXPECT_EQ(table->reserved, 0u);
}

TEST(ExtHook, SourcesAndDestinationsThroughTheTable) {
  Table table(0);
  ASSERT_NE(table.t, nullptr);
  const char text[] = "hello, plug-in";
  const DWORD n = sizeof text - 1;
  HPICSRC src = pic_OpenMemorySource(text, n);
  ASSERT_NE(src, nullptr);
  char got[8] = {};
  EXPECT_EQ(table->read(src, got, 5), 5u);
  EXPECT_EQ(std::string(got, 5), "hello");
  DWORD pos = 0, size = 0;
  ASSERT_TRUE(table->getPos(src, &pos));
  EXPECT_EQ(pos, 5u);
  ASSERT_TRUE(table->getSize(src, &size));
  EXPECT_EQ(size, n);
  EXPECT_FALSE(table->isEOF(src));
  ASSERT_TRUE(table->seek(src, -3, 2));
  EXPECT_EQ(table->read(src, got, 8), 3u);  // only what is left
  EXPECT_EQ(std::string(got, 3), "-in");
  EXPECT_TRUE(table->isEOF(src));
  EXPECT_FALSE(table->seek(src, -1, 0));
  EXPECT_FALSE(table->write(src, "x", 1));  // a source is never written
  EXPECT_FALSE(table->getPos(src, nullptr));
  EXPECT_EQ(pic_CloseSource(src), n);

  HPICDEST dst = pic_OpenDynamicMemoryDest(FALSE);
  ASSERT_NE(dst, nullptr);
  ASSERT_TRUE(table->write(dst, "abc", 3));
  ASSERT_TRUE(table->write(dst, "defg", 4));
  ASSERT_TRUE(table->getSize(dst, &size));
  EXPECT_EQ(size, 7u);
  ASSERT_TRUE(pic_Seek(dst, 0, 0));
  char back[8] = {};
  EXPECT_EQ(pic_Read(dst, back, 7), 7u);
  EXPECT_STREQ(back, "abcdefg");
  EXPECT_EQ(pic_CloseDest(dst), 7u);
}

TEST(ExtHook, NullAndFreedManagersAreRefused) {
  Table table(0);
  ASSERT_NE(table.t, nullptr);
  char buf[4];
  DWORD v = 99;
  EXPECT_EQ(table->read(nullptr, buf, 4), 0u);
  EXPECT_FALSE(table->write(nullptr, buf, 4));
  EXPECT_FALSE(table->seek(nullptr, 0, 0));
  EXPECT_FALSE(table->getPos(nullptr, &v));
  EXPECT_FALSE(table->getSize(nullptr, &v));
  EXPECT_FALSE(table->isEOF(nullptr));
  EXPECT_EQ(v, 99u);
  // A plug-in that keeps a handle past its close gets nothing (and touches
  // no freed memory: the address sanitizer would tell).
  const char data[] = "data";
  HPICSRC src = pic_OpenMemorySource(data, 4);
  ASSERT_NE(src, nullptr);
  pic_CloseSource(src);
  EXPECT_EQ(table->read(src, buf, 4), 0u);
  EXPECT_FALSE(table->getSize(src, &v));
  EXPECT_FALSE(table->seek(src, 0, 0));
  int notAManager = 0;
  EXPECT_EQ(table->read(reinterpret_cast<HPICSRC>(&notAManager), buf, 4), 0u);
  HPICSRC live = pic_OpenMemorySource(data, 4);
  EXPECT_EQ(table->read(live, nullptr, 4), 0u);
  pic_CloseSource(live);
}

TEST(ExtHook, CallbacksAndErrorsOfTheCallingThread) {
  std::thread([] {
    Table table(0);
    ASSERT_NE(table.t, nullptr);
    ASSERT_TRUE(pic_SetCallback(GoOn, 31));
    PIC_USERDATA user = 0;
    EXPECT_EQ(table->getCallback(&user), &GoOn);
    EXPECT_EQ(user, 31u);
    ASSERT_TRUE(pic_SetFileReadAllocCallbacks(NoBlock, nullptr, nullptr, 12));
    PicAllocCallback alloc = nullptr;
    PicReallocCallback realloc = nullptr;
    PicFreeCallback release = nullptr;
    PIC_USERDATA allocUser = 0;
    ASSERT_TRUE(table->getAllocCallbacks(&alloc, &realloc, &release, &allocUser));
    EXPECT_EQ(alloc, &NoBlock);
    EXPECT_EQ(allocUser, 12u);
    table->setLastError(46);
    EXPECT_EQ(PicGetLastError(), 46u);
    void* messages = nullptr;
    DWORD size = 0;
    GetDebugMessagesEntry(&messages, &size);
    ASSERT_NE(messages, nullptr);
    EXPECT_NE(std::string(static_cast<char*>(messages)).find("Error 46 in pic_SetLastErrorProxy ("),
              std::string::npos);
    GlobalFree(messages);
  }).join();
}

TEST(ExtHook, NoTableWithoutThreadState) {
  std::thread([] {
    Pictura::PicTestFailNextRegistration();
    EXPECT_EQ(pic_GetExtHook(1), nullptr);
  }).join();
}
