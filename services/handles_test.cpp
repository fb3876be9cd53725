// The handle owners under Wine: each real handle is gone once its owner is,
// exactly once; moves, resets and hand-overs keep that; selections go back.

#include "services/handles.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// A policy over plain numbers that records every release.
std::vector<int> released;
bool releaseWorks = true;
struct Recorded {
  static int None() { return 0; }
  static bool Release(int handle) {
    released.push_back(handle);
    return releaseWorks;
  }
};
using OwnedNumber = Owned<int, Recorded>;

class OwnedRules : public ::testing::Test {
 protected:
  void SetUp() override {
    released.clear();
    releaseWorks = true;
  }
};

TEST_F(OwnedRules, EachHandleIsReleasedOnceWhateverHappensToItsOwner) {
  struct Row {
    const char* what;
    std::function<void()> run;
    std::vector<int> releases;  // in order
  };
  const Row rows[] = {
      {"scope end", [] { OwnedNumber a(1); }, {1}},
      {"empty owner", [] { OwnedNumber a; }, {}},
      {"reset to another",
       [] {
         OwnedNumber a(1);
         a.reset(2);
       },
       {1, 2}},
      {"reset to none",
       [] {
         OwnedNumber a(1);
         a.reset();
         EXPECT_FALSE(a);
       },
       {1}},
      {"move construction",
       [] {
         OwnedNumber a(1);
         OwnedNumber b(std::move(a));
         EXPECT_FALSE(a);
       },
       {1}},
      {"move assignment over a held one",
       [] {
         OwnedNumber a(1), b(2);
         b = std::move(a);
         EXPECT_EQ(b.get(), 1);
       },
       {2, 1}},
      {"self hand-over through release",
       [] {
         OwnedNumber a(1);
         a.reset(a.release());
       },
       {1}},
      {"released to the caller",
       [] {
         OwnedNumber a(1);
         EXPECT_EQ(a.release(), 1);
       },
       {}},
      {"closed early",
       [] {
         OwnedNumber a(1);
         EXPECT_TRUE(a.Close());
         EXPECT_FALSE(a);
       },
       {1}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    released.clear();
    row.run();
    EXPECT_EQ(released, row.releases);
  }
}

TEST_F(OwnedRules, CloseReportsAFailedReleaseAndAnEmptyOwnerAsDone) {
  OwnedNumber empty;
  EXPECT_TRUE(empty.Close());
  releaseWorks = false;
  OwnedNumber held(7);
  EXPECT_FALSE(held.Close());
  EXPECT_FALSE(held);  // never released twice, even after a failure
  EXPECT_EQ(released, std::vector<int>{7});
}

std::string TempPath(const char* name) {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  return std::string(folder) + name;
}

// Each real kind: made, checked alive, gone once its owner is.
TEST(OwnedKinds, TheRealHandleIsGoneWithItsOwner) {
  const std::string file = TempPath("waylune_handles_test.tmp");
  struct Row {
    const char* what;
    std::function<bool()> runAndCheck;  // true when alive inside and gone after
  };
  auto gdi = [](auto make) {
    return [make] {
      HGDIOBJ seen = nullptr;
      {
        const auto owner = make();
        seen = owner.get();
        if (!owner || GetObjectType(seen) == 0) return false;
      }
      return GetObjectType(seen) == 0;
    };
  };
  const Row rows[] = {
      {"bitmap", gdi([] { return OwnedBitmap(CreateBitmap(4, 4, 1, 32, nullptr)); })},
      {"font",
       gdi([] { return OwnedFont(CreateFontA(-12, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Arial")); })},
      {"brush", gdi([] { return OwnedBrush(CreateSolidBrush(RGB(1, 2, 3))); })},
      {"region", gdi([] { return OwnedRegion(CreateRectRgn(0, 0, 5, 5)); })},
      {"memory DC", gdi([] { return OwnedDC(CreateCompatibleDC(nullptr)); })},
      {"event",
       [] {
         HANDLE seen = nullptr;
         DWORD flags = 0;
         {
           const OwnedHandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
           seen = event.get();
           if (!GetHandleInformation(seen, &flags)) return false;
         }
         return !GetHandleInformation(seen, &flags);
       }},
      {"internet session",
       [] {
         HINTERNET seen = nullptr;
         DWORD type = 0, size = sizeof type;
         {
           const OwnedInternet session(InternetOpenA(" ", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
           seen = session.get();
           if (!InternetQueryOptionA(seen, INTERNET_OPTION_HANDLE_TYPE, &type, &size)) return false;
           if (type != INTERNET_HANDLE_TYPE_INTERNET) return false;
         }
         size = sizeof type;
         return !InternetQueryOptionA(seen, INTERNET_OPTION_HANDLE_TYPE, &type, &size);
       }},
      {"file",
       [&] {
         {
           const OwnedFile created(
               CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
           if (!created) return false;
           // Held without sharing: a second open fails while the owner lives.
           if (CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr) !=
               INVALID_HANDLE_VALUE)
             return false;
         }
         const OwnedFile again(
             CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
         return static_cast<bool>(again);
       }},
      {"registry key",
       [] {
         HKEY seen = nullptr;
         {
           const OwnedKey key =
               CreateRegistryKey(HKEY_CURRENT_USER, "Software\\WayluneHandlesTest", KEY_ALL_ACCESS);
           seen = key.get();
           if (!key || RegQueryInfoKeyA(seen, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                        nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
             return false;
         }
         const bool gone = RegQueryInfoKeyA(seen, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                            nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS;
         RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\WayluneHandlesTest");
         return gone;
       }},
      {"menu",
       [] {
         HMENU seen = nullptr;
         {
           const OwnedMenu menu(CreatePopupMenu());
           seen = menu.get();
           if (!IsMenu(seen)) return false;
         }
         return !IsMenu(seen);
       }},
      {"find",
       [&] {
         WIN32_FIND_DATAA found;
         OwnedFind search(FindFirstFileA(file.c_str(), &found));
         if (!search || !search.Close()) return false;
         // Nothing found is no handle at all.
         const OwnedFind none(FindFirstFileA((file + ".none").c_str(), &found));
         return !search && !none;
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_TRUE(row.runAndCheck());
  }
  DeleteFileA(file.c_str());
  EXPECT_FALSE(OpenRegistryKey(HKEY_CURRENT_USER, "Software\\WayluneHandlesTest", KEY_READ));
}

TEST(Selections, TheDcsOwnObjectsGoBackAndTheSelectedBitmapCanBeDeletedAfterwards) {
  const OwnedDC dc(CreateCompatibleDC(nullptr));
  const HGDIOBJ stockBitmap = GetCurrentObject(dc.get(), OBJ_BITMAP);
  OwnedBitmap bitmap(CreateBitmap(8, 8, 1, 32, nullptr));
  {
    const SelectedObject selected(dc.get(), bitmap.get());
    ASSERT_TRUE(selected.ok());
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), bitmap.get());
    // Selected in one DC, a bitmap cannot go into a second: nothing to put back.
    const OwnedDC other(CreateCompatibleDC(nullptr));
    const SelectedObject refused(other.get(), bitmap.get());
    EXPECT_FALSE(refused.ok());
  }
  EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), stockBitmap);

  const OwnedFont font(CreateFontA(-12, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"));
  {
    BitmapDC canvas(bitmap.get());
    ASSERT_TRUE(canvas.ok());
    canvas.UseFont(font.get());
    canvas.UseFont(font.get());  // a second font call still puts the first font back at the end
    EXPECT_EQ(GetCurrentObject(canvas.get(), OBJ_FONT), font.get());
    RECT all = {0, 0, 8, 8};
    FillRect(canvas.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  // Deselected: the bitmap and font are free to go, and hold what was drawn.
  BITMAP info = {};
  ASSERT_TRUE(GetObjectA(bitmap.get(), sizeof info, &info));
  EXPECT_EQ(info.bmWidth, 8);
  EXPECT_TRUE(bitmap.Close());
  EXPECT_FALSE(BitmapDC(nullptr).ok());
}

TEST(WindowDCs, AMovedDcIsGivenBackOnceByItsLastOwner) {
  WindowDC first(nullptr);
  ASSERT_TRUE(first);
  const HDC dc = first.get();
  WindowDC second(std::move(first));
  EXPECT_FALSE(first);
  EXPECT_EQ(second.get(), dc);
  WindowDC third;
  third = std::move(second);
  EXPECT_EQ(third.get(), dc);
  EXPECT_EQ(GetDeviceCaps(third.get(), BITSPIXEL) > 0, true);
  third.reset();
  EXPECT_FALSE(third);
  WindowDC adopted(nullptr, GetDC(nullptr));
  EXPECT_TRUE(adopted);
}

}  // namespace
