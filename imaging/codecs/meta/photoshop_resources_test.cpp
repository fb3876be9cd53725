#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "codecs/jpeg/pictura_jpeg.h"
#include "codecs/meta/photoshop_resources.h"
#include "codecs/meta/pictura_icc.h"
#include "codecs/meta/pictura_photoshop.h"
#include "codecs/psd/psd_test_support.h"
#include "codecs/tiff/pictura_tiff.h"
#include "core/pictura_core.h"
#include "core/thread_context.h"

using namespace Pictura;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes Block(const std::string& name, uint16_t id, const Bytes& data) {
  PhotoshopResourceList list;
  EXPECT_TRUE(list.Add(id, data.data(), static_cast<uint32_t>(data.size()), name.c_str()));
  return Bytes(list.blocks[0]->bytes.begin(), list.blocks[0]->bytes.end());
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

}  // namespace

// Built blocks: name fields of even length, odd data padded, the size
// field keeping the odd value; the parser reads them back.
TEST(PhotoshopResources, BlocksBuiltAndParsed) {
  struct Row {
    std::string name;
    Bytes data;
    Bytes head;  // from the name's length byte to the end of the size field
  } rows[] = {
      {"", {1, 2}, {0, 0, 0, 0, 0, 2}},
      {"abc", {1, 2, 3}, {3, 'a', 'b', 'c', 0, 0, 0, 3}},
      {"abcd", {}, {4, 'a', 'b', 'c', 'd', 0, 0, 0, 0, 0}},
  };
  for (const Row& row : rows) {
    const Bytes b = Block(row.name, 0x0404, row.data);
    Bytes want = {'8', 'B', 'I', 'M', 4, 4};
    want.insert(want.end(), row.head.begin(), row.head.end());
    want.insert(want.end(), row.data.begin(), row.data.end());
    if (row.data.size() & 1) want.push_back(0);
    EXPECT_EQ(b, want) << row.name;
    PhotoshopResourceList list;
    ASSERT_TRUE(list.Parse(b.data(), b.size(), 0)) << row.name;
    ASSERT_EQ(list.blocks.size(), 1u);
    EXPECT_EQ(list.blocks[0]->name, row.name);
    EXPECT_EQ(list.blocks[0]->DataSize(), row.data.size());
  }
}

// Streams the parser takes or refuses: garbage before the first block is
// skipped, a last block running past the end keeps the earlier ones, a size
// near 2^32 is no block, a stream cut inside a header is refused.
TEST(PhotoshopResources, ParseOutcomes) {
  const Bytes a = Block("", 1005, {1, 2, 3, 4}), b = Block("x", 1028, {9});
  Bytes overrun = b;
  overrun[9] = 0x7F;  // size past the end
  Bytes huge = b;
  std::memset(&huge[6 + 2], 0xFF, 4);  // size 0xFFFFFFFF: rounding up must not wrap
  struct Row {
    const char* name;
    Bytes bytes;
    bool ok;
    size_t blocks;
    uint32_t code;
  } rows[] = {
      {"two blocks", Cat({a, b}), true, 2, 0},
      {"garbage first", Cat({Bytes{7, 7, 7}, a}), true, 1, 0},
      {"last overruns", Cat({a, overrun}), true, 1, 0},
      {"only block overruns", overrun, false, 0, 67},
      {"size 2^32 - 1", Cat({a, huge}), true, 1, 0},
      {"cut in a header", Cat({a, Bytes(b.begin(), b.begin() + 8)}), false, 0, 67},
      {"four bytes", Bytes{'8', 'B', 'I', 'M'}, false, 0, 67},
      {"no signature", Bytes(40, 1), false, 0, 67},
  };
  for (const Row& row : rows) {
    PhotoshopResourceList list;
    EXPECT_EQ(list.Parse(row.bytes.data(), row.bytes.size(), 0), row.ok) << row.name;
    EXPECT_EQ(list.blocks.size(), row.blocks) << row.name;
    EXPECT_EQ(list.error, row.code) << row.name;
  }
  PhotoshopBlocks found;
  PhotoshopResourceParser parser(found);
  const Bytes both = Cat({a, b});
  EXPECT_TRUE(parser.HasBlocks(a.data(), a.size(), 0));
  EXPECT_FALSE(parser.HasBlocks(a.data(), a.size(), 1));
  EXPECT_TRUE(parser.HasBlocks(both.data(), both.size(), 1));
  EXPECT_FALSE(parser.HasBlocks(both.data(), both.size(), 2));
  EXPECT_EQ(parser.error, 5u);
  parser.whitelist = {1028};
  EXPECT_TRUE(parser.Parse(both.data(), both.size(), 0));
}

// Get, Remove and Export of a list.
TEST(PhotoshopResources, ListOperations) {
  PhotoshopResourceList list;
  const uint8_t iptc[] = {0x1C, 2, 5, 0, 1, 'A'};
  ASSERT_TRUE(list.Add(1028, iptc, sizeof iptc, "IPTC") && list.Add(1039, iptc, 3, nullptr));
  HGLOBAL data = nullptr, name = nullptr;
  uint32_t size = 0, nameSize = 0;
  ASSERT_TRUE(list.Get(1028, &data, &size, &name, &nameSize));
  EXPECT_EQ(Bytes(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size), Bytes(iptc, iptc + 6));
  EXPECT_STREQ(static_cast<char*>(name), "IPTC");
  GlobalFree(data), GlobalFree(name);
  Bytes out;
  ASSERT_TRUE(list.Export(&out, 3));
  EXPECT_EQ(out.size(), out[3]);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&out[4])), "Photoshop 3.0");
  EXPECT_EQ(list.Remove(1028) + list.Remove(1028), 72u);  // removed, then absent
}

// Resources of files through the entries: a JPEG's APP13 (18 bytes at
// least: the prefix), a PSD's section, a TIFF's tag (or its bare IPTC), the
// ICC profile of a PSD (resource 1039).
TEST(PhotoshopResources, FromFiles) {
  const Bytes iptc = Block("", 1028, {0x1C, 2, 5, 0, 1, 'A'});
  const Bytes icc = Block("", 1039, Bytes(130, 0x42));
  Bytes jpeg;
  {
    pictest::Dest dest;
    const Bytes rgb(8 * 8 * 3, 90);
    ASSERT_NE(pic_WriteJPG(dest, rgb.data(), 8, 8, 24, 24, 75, nullptr, 0), 0u);
    jpeg = dest.Contents();
  }
  auto withApp13 = [&](const Bytes& payload) {
    const size_t n = payload.size() + 2;
    Bytes f = {0xFF, 0xD8, 0xFF, 0xED, uint8_t(n >> 8), uint8_t(n)};  // SOI, APP13
    f.insert(f.end(), payload.begin(), payload.end());
    f.insert(f.end(), jpeg.begin() + 2, jpeg.end());  // the rest of the file
    return f;
  };
  Bytes prefix = {'P', 'h', 'o', 't', 'o', 's', 'h', 'o', 'p', ' ', '3', '.', '0', 0};
  Bytes app13 = prefix;
  app13.insert(app13.end(), iptc.begin(), iptc.end());
  auto tiff = [](const Bytes& resources, const Bytes& bareIPTC) {
    pic_SetPhotoshopResources(resources.data(), static_cast<DWORD>(resources.size()));
    PicArray<unsigned char>& bare = GetImgThreadContext()->tiffWrite.iptc;
    bare.Resize(static_cast<uint32_t>(bareIPTC.size()));
    std::copy(bareIPTC.begin(), bareIPTC.end(), bare.begin());
    pictest::Dest dest;
    const uint8_t rgb[3] = {1, 2, 3};
    EXPECT_NE(pic_WriteTIFF(dest, rgb, 1, 1, 24, 1, nullptr, 3, nullptr, 0), 0u);
    pic_SetPhotoshopResources(nullptr, 0);
    bare.Clear();
    return dest.Contents();
  };
  pictest::PsdSpec spec{3, 8, 3, 1, 1, 1, {}, iptc, {}, 0, {{1}, {2}, {3}}, {}};
  spec.resources.insert(spec.resources.end(), icc.begin(), icc.end());
  struct Row {
    const char* name;
    Bytes file;
    DWORD id;
    uint32_t code;
    size_t size;
  } rows[] = {
      {"jpeg iptc", withApp13(app13), 1028, 0, 6},
      {"jpeg bare prefix", withApp13(prefix), 1028, 72, 0},
      {"jpeg without app13", jpeg, 1028, 72, 0},
      {"psd iptc", pictest::MakePsd(spec), 1028, 0, 6},
      {"psd icc", pictest::MakePsd(spec), 1039, 0, 130},
      {"tiff iptc", tiff(iptc, {}), 1028, 0, 6},
      {"tiff bare iptc", tiff({}, {0x1C, 2, 5, 0, 2, 'A', 'B'}), 1028, 0, 7},
      {"tiff without", tiff({}, {}), 1028, 72, 0},
      {"not an image", Bytes(64, 3), 1028, 5, 0},
  };
  for (const Row& row : rows) {
    pictest::Source src(row.file);
    HGLOBAL data = nullptr;
    DWORD size = 0;
    EXPECT_EQ(pic_GetPhotoshopResource(src, 0, row.id, &data, &size), row.code == 0) << row.name;
    EXPECT_EQ(PicGetLastError(), row.code) << row.name;
    EXPECT_EQ(pictest::TakeBlock(data).size(), row.size) << row.name;
  }
  pictest::Source psd(pictest::MakePsd(spec));
  HGLOBAL profile = nullptr;
  DWORD size = 0;
  ASSERT_TRUE(pic_ReadICCProfile(psd, 0, &profile, &size));
  EXPECT_EQ(pictest::TakeBlock(profile), Bytes(130, 0x42));
}

// Edits of the thread's resource bytes (a failed one changes nothing; stray
// bytes are refused, not dropped) and IPTC datasets of a PSD's block 1028.
TEST(PhotoshopResources, ThreadEditsAndIPTC) {
  const Bytes a = Block("", 1005, {1, 2, 3}), b = Block("IPTC", 1028, {4}), ab = Cat({a, b}),
              junk = Cat({{9}, a});
  struct Edit {
    Bytes before;
    DWORD id;  // added with data {4} and name "IPTC", or removed (data null)
    const uint8_t* data;
    uint32_t code;
    Bytes after;
  } edits[] = {{{}, 1005, nullptr, 72, {}}, {a, 1028, &b[16], 0, ab},       {a, 0x10000, &b[16], 5, a},
               {ab, 1005, nullptr, 0, b},   {junk, 1028, &b[16], 67, junk}, {ab, 1039, nullptr, 72, ab}};
  for (const Edit& e : edits) {
    pic_SetPhotoshopResources(e.before.data(), static_cast<DWORD>(e.before.size()));
    EXPECT_EQ(e.data ? pic_AddPhotoshopResource(e.id, e.data, 1, "IPTC") : pic_RemovePhotoshopResource(e.id),
              e.code == 0);
    EXPECT_EQ(PicGetLastError(), e.code) << e.id;
    const PicArray<unsigned char>& held = GetImgThreadContext()->tiffWrite.photoshopResources;
    EXPECT_EQ(Bytes(held.begin(), held.end()), e.after) << e.id;
  }
  pic_SetPhotoshopResources(nullptr, 0);

  const Bytes sets = {0x1C, 2,  120, 0, 2,    'h', 'i', 0x1C, 2, 25, 0, 1, 'k', 0x1C,
                      2,    25, 0,   0, 0x1C, 8,   10,  0x80, 4, 0,  0, 0, 1,   'x'};
  struct Query {
    Bytes iptc;  // empty: no block 1028
    DWORD record, dataset, occurrence;
    uint32_t code;
    std::string value;
  } queries[] = {
      {Cat({sets, {0, 0}}), 2, 120, 0, 0, "hi"},  // zero padding
      {sets, 2, 25, 1, 0, ""},
      {sets, 2, 25, 2, 59, ""},
      {sets, 8, 10, 0, 0, "x"},                                        // a 4-byte extended length
      {{0x1C, 8, 10, 0x80, 5, 0, 0, 0, 0, 1, 'x'}, 8, 10, 0, 58, ""},  // a 5-byte one
      {{0x1C, 2, 120, 0, 9, 'a'}, 2, 120, 0, 58, ""},
      {Cat({sets, {0, 7}}), 2, 120, 0, 58, ""},
      {{}, 2, 120, 0, 72, ""},
  };
  for (const Query& q : queries) {
    const Bytes resources = q.iptc.empty() ? a : Block("", 1028, q.iptc);
    pictest::Source src(pictest::MakePsd({3, 8, 3, 1, 1, 1, {}, resources, {}, 0, {{1}, {2}, {3}}, {}}));
    HGLOBAL data = nullptr;
    DWORD size = 9;
    EXPECT_EQ(pic_GetIPTCDataset(src, 0, q.record, q.dataset, q.occurrence, &data, &size), q.code == 0);
    EXPECT_EQ(PicGetLastError(), q.code) << q.value;
    EXPECT_EQ(pictest::TakeBlock(data), Bytes(q.value.begin(), q.value.end()));
    EXPECT_EQ(size, q.value.size());
  }
}
