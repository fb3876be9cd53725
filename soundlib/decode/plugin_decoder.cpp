#include "soundlib/decode/plugin_decoder.h"

#include <algorithm>
#include <cstddef>

#include "soundlib/soundlib_api.h"

namespace soundlib {

namespace {

constexpr size_t kOpsSize = offsetof(SlDecoderOps, close) + sizeof(SlDecoderOps::close);

uint32_t SL_CALL ReadThrough(void* context, uint64_t pos, void* dst, uint32_t n) {
  if (!dst) return 0;
  return static_cast<uint32_t>(static_cast<ByteSource*>(context)->readAt(pos, dst, n));
}

class PluginDecoder final : public Decoder {
 public:
  PluginDecoder(const SlDecoderOps& ops, std::shared_ptr<ByteSource> source)
      : ops_(ops), source_(std::move(source)) {
    reader_.context = source_.get();
    reader_.read = &ReadThrough;
    reader_.size = source_->size();
  }
  ~PluginDecoder() override {
    if (handle_) ops_.close(handle_);
  }

  bool open(int& error) {
    SlDecoderFormat f{};
    int32_t err = SL_OK;
    handle_ = ops_.open(&reader_, &f, &err);
    if (!handle_) {
      error = err != SL_OK ? err : SL_ERROR_FILEFORM;
      return false;
    }
    if (f.channels < 1 || f.channels > 2 || f.rate < 1000 || f.rate > 384000) {
      error = SL_ERROR_FORMAT;
      return false;
    }
    info_.rate = f.rate;
    info_.channels = static_cast<uint16_t>(f.channels);
    info_.frames = f.frames;
    return true;
  }

  size_t read(int16_t* out, size_t count) override {
    size_t have = 0;
    while (have < count) {
      const uint32_t want = static_cast<uint32_t>(std::min<size_t>(count - have, 1u << 20));
      int32_t err = SL_OK;
      const uint32_t got = std::min(ops_.decode(handle_, out + have * info_.channels, want, &err), want);
      have += got;
      if (err != SL_OK) error_ = err;
      if (got == 0 || err != SL_OK) break;
    }
    return have;
  }

  bool seek(uint64_t frame) override {
    if (!ops_.seek(handle_, frame)) return false;
    error_ = SL_OK;
    return true;
  }

 private:
  const SlDecoderOps& ops_;
  std::shared_ptr<ByteSource> source_;
  SlByteReader reader_{};
  void* handle_ = nullptr;
};

bool Probe(const uint8_t* head, size_t n, uint64_t size, const void* context) {
  const auto* ops = static_cast<const SlDecoderOps*>(context);
  return ops->probe(head, static_cast<uint32_t>(n), size) != 0;
}

std::unique_ptr<Decoder> Open(std::shared_ptr<ByteSource> source, const void* context, int& error) {
  auto d = std::make_unique<PluginDecoder>(*static_cast<const SlDecoderOps*>(context), std::move(source));
  if (!d->open(error)) return nullptr;
  return d;
}

}  // namespace

void AddPluginKinds(const SlPluginInfo& info, std::vector<DecoderKind>& kinds) {
  if ((info.version & 0xFFFF) < kSlPluginDecoderBuild || !info.decoders) return;
  for (uint32_t i = 0; i < info.decoderCount; ++i) {
    const SlDecoderOps* ops = info.decoders[i];
    if (!ops || ops->size < kOpsSize || !ops->probe || !ops->open || !ops->decode || !ops->seek ||
        !ops->close)
      continue;
    kinds.push_back(DecoderKind{ops->name ? ops->name : "plug-in", &Probe, &Open, ops});
  }
}

}  // namespace soundlib
