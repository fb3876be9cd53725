#include "codecs/meta/photoshop_resources.h"

#include <algorithm>
#include <cstring>

#include "core/allocators.h"
#include "core/thread_context.h"

namespace Pictura {
namespace {

constexpr uint8_t kSignature[4] = {'8', 'B', 'I', 'M'};
constexpr char kPhotoshopPrefix[14] = "Photoshop 3.0";  // with its zero

uint32_t BE32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}
void PutBE32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24), p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8), p[3] = static_cast<uint8_t>(v);
}

HGLOBAL GlobalCopy(const void* bytes, uint64_t size) {
  if (size == 0 || size >= kPicAllocCap) return nullptr;
  HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, static_cast<SIZE_T>(size));
  if (block && bytes) std::memcpy(block, bytes, static_cast<size_t>(size));
  return block;
}

std::unique_ptr<PhotoshopResourceBlock> CopyBlock(const PhotoshopResourceBlock& b) {
  auto copy = std::make_unique<PhotoshopResourceBlock>();
  if (!copy->bytes.Resize(b.bytes.Count())) return nullptr;
  if (b.bytes.Count()) std::memcpy(copy->bytes.Data(), b.bytes.Data(), b.bytes.Count());
  copy->id = b.id;
  copy->headerLength = b.headerLength;
  copy->name = b.name;
  return copy;
}

}  // namespace

uint32_t PhotoshopResourceBlock::DataSize() const {
  return headerLength >= 4 && headerLength <= bytes.Count() ? BE32(bytes.Data() + headerLength - 4) : 0;
}

PhotoshopResourceList::PhotoshopResourceList(const PhotoshopResourceList& other)
    : error(other.error), tiffIPTCFallback(other.tiffIPTCFallback) {
  for (const auto& b : other.blocks) {
    auto copy = CopyBlock(*b);
    if (!copy) {
      blocks.clear();
      error = kPicErrNoMemory;
      return;
    }
    blocks.push_back(std::move(copy));
  }
}

bool PhotoshopResourceList::Add(uint16_t id, const uint8_t* data, uint32_t size, const char* name) {
  if (!data && size) return (error = kPicErrBadArgument), false;
  std::string text = name ? std::string(name).substr(0, 255) : std::string();
  const uint32_t n = static_cast<uint32_t>(text.size());
  const uint32_t header = 11 + n + (n % 2 == 0 ? 1 : 0);
  const uint64_t total = uint64_t{header} + size + (size & 1);
  auto block = std::make_unique<PhotoshopResourceBlock>();
  if (total >= kPicAllocCap || !block->bytes.Resize(static_cast<uint32_t>(total)))
    return (error = kPicErrNoMemory), false;
  uint8_t* p = block->bytes.Data();
  std::memset(p, 0, static_cast<size_t>(total));
  std::memcpy(p, kSignature, 4);
  p[4] = static_cast<uint8_t>(id >> 8), p[5] = static_cast<uint8_t>(id);
  p[6] = static_cast<uint8_t>(n);
  if (n) std::memcpy(p + 7, text.data(), n);
  PutBE32(p + header - 4, size);
  if (size) std::memcpy(p + header, data, size);
  block->id = id;
  block->headerLength = header;
  block->name = std::move(text);
  try {
    blocks.push_back(std::move(block));
  } catch (...) {
    return (error = kPicErrNoMemory), false;
  }
  return true;
}

const PhotoshopResourceBlock* PhotoshopResourceList::Find(uint16_t id) {
  for (const auto& b : blocks)
    if (b->id == id) return b.get();
  error = kPicErrPSDResourceMissing;
  return nullptr;
}

bool PhotoshopResourceList::Get(uint16_t id, HGLOBAL* data, uint32_t* dataSize, HGLOBAL* name,
                                uint32_t* nameSize) {
  const PhotoshopResourceBlock* b = Find(id);
  if (!b) return false;
  const uint32_t size = std::min(b->DataSize(), b->bytes.Count() - b->headerLength);
  ScopedGlobal d(size ? GlobalCopy(b->Data(), size) : nullptr);
  ScopedGlobal n(b->name.empty() ? nullptr : GlobalCopy(b->name.c_str(), b->name.size() + 1));
  if ((size && !d.block) || (!b->name.empty() && !n.block)) return (error = kPicErrNoMemory), false;
  if (data) *data = d.Release();
  if (name) *name = n.Release();
  if (dataSize) *dataSize = size;
  if (nameSize) *nameSize = static_cast<uint32_t>(b->name.size());
  return true;
}

bool PhotoshopResourceList::GetIDs(HGLOBAL* ids, uint32_t* count) {
  *ids = nullptr;
  *count = static_cast<uint32_t>(blocks.size());
  if (blocks.empty()) return true;
  HGLOBAL block = GlobalCopy(nullptr, blocks.size() * 2);
  if (!block) return (error = kPicErrNoMemory), false;
  auto* out = static_cast<uint16_t*>(block);
  for (const auto& b : blocks) *out++ = b->id;
  *ids = block;
  return true;
}

uint32_t PhotoshopResourceList::Remove(uint16_t id) {
  for (auto it = blocks.begin(); it != blocks.end(); ++it)
    if ((*it)->id == id) {
      blocks.erase(it);
      return 0;
    }
  return error = kPicErrPSDResourceMissing;
}

bool PhotoshopResourceList::Export(std::vector<uint8_t>* out, uint32_t flags) {
  try {
    out->clear();
    if (flags & 1) out->resize(4);
    if (flags & 2) out->insert(out->end(), kPhotoshopPrefix, kPhotoshopPrefix + 14);
    for (const auto& b : blocks) out->insert(out->end(), b->bytes.begin(), b->bytes.end());
  } catch (...) {
    out->clear();
    return (error = kPicErrNoMemory), false;
  }
  if (out->size() > UINT32_MAX) return (error = kPicErrNoMemory), false;
  if (flags & 1) PutBE32(out->data(), static_cast<uint32_t>(out->size()));
  return true;
}

bool PhotoshopResourceList::Parse(const uint8_t* bytes, uint64_t length, uint32_t flags) {
  PhotoshopResourceParser parser(blocks);
  const bool ok = parser.Parse(bytes, length, flags);
  error = parser.error;
  return ok;
}

PhotoshopResourceParser::Step PhotoshopResourceParser::ReadBlock(const uint8_t* bytes, uint64_t length,
                                                                 uint64_t* pos, bool filter) {
  uint64_t at = *pos;
  while (at + 4 <= length && std::memcmp(bytes + at, kSignature, 4) != 0) ++at;
  if (at + 4 > length) {
    *pos = length;
    return kEnd;
  }
  const uint64_t start = at;
  at += 4;
  if (length - at < 2) return kShort;
  const uint16_t id = static_cast<uint16_t>(bytes[at] << 8 | bytes[at + 1]);
  at += 2;
  if (length - at < 1) return kShort;
  const uint32_t n = bytes[at];
  const uint32_t field = 1 + n + ((1 + n) & 1);  // an empty name is two zero bytes
  if (length - at < field) return kShort;
  std::string name(reinterpret_cast<const char*>(bytes + at + 1), n);
  at += field;
  if (length - at < 4) return kShort;
  const uint32_t size = BE32(bytes + at);
  at += 4;
  // The size against what is left before it is rounded up to even.
  if (size > length - at) {
    DebugTrace("Photoshop resource %u runs %llu bytes past the data\n", id,
               static_cast<unsigned long long>(size - (length - at)));
    return kOverrun;
  }
  const uint64_t end = std::min<uint64_t>(at + size + (size & 1), length);
  *pos = end;
  if (filter && std::find(whitelist.begin(), whitelist.end(), id) == whitelist.end()) return kBlock;
  auto block = std::make_unique<PhotoshopResourceBlock>();
  if (!block->bytes.Resize(static_cast<uint32_t>(end - start))) throw std::bad_alloc();
  std::memcpy(block->bytes.Data(), bytes + start, static_cast<size_t>(end - start));
  block->id = id;
  block->headerLength = static_cast<uint32_t>(at - start);
  block->name = std::move(name);
  blocks_.push_back(std::move(block));
  return kBlock;
}

bool PhotoshopResourceParser::Parse(const uint8_t* bytes, uint64_t length, uint32_t flags) {
  blocks_.clear();
  error = 0;
  if (!bytes || length == 0) return (error = kPicErrBadArgument), false;
  if (length < 5) return (error = kPicErrPhotoshopResource), false;
  const bool filter = !(flags & 1) && !whitelist.empty();
  uint64_t pos = 0;
  bool any = false;
  Step step = kBlock;
  try {
    while (pos < length) {
      step = ReadBlock(bytes, length, &pos, filter);
      if (step != kBlock) break;
      any = true;
    }
  } catch (const std::bad_alloc&) {
    blocks_.clear();
    return (error = kPicErrNoMemory), false;
  }
  if (!any || step == kShort) {
    blocks_.clear();
    return (error = kPicErrPhotoshopResource), false;
  }
  return true;
}

bool PhotoshopResourceParser::HasBlocks(const uint8_t* bytes, uint64_t length, uint32_t mode) {
  if (mode > 1) return (error = kPicErrBadArgument), false;
  if (!Parse(bytes, length, 1)) return false;
  if (mode == 0) return !blocks_.empty();
  for (const auto& b : blocks_)
    if (b->id == kPhotoshopIPTCID) return true;
  return false;
}

}  // namespace Pictura
