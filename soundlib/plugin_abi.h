// What a plug-in DLL offers BASS_PluginLoad: one undecorated stdcall entry
// that returns a static description: its name, the formats it announces and,
// from interface build 2 on, the decoders it adds.
//
// The decoder interface is plain C: no C++ object, exception or allocation
// crosses the DLL boundary (each DLL has its own runtime). The library hands
// a plug-in an SlByteReader over the file's window (offset and length as the
// caller gave them); the plug-in reads only through it. Everything a decoder
// allocates it frees itself in `close`. All entries are stdcall on 32-bit
// Windows (SL_CALL). A decoder object is used by one thread at a time, but
// different objects of one plug-in may be used by different threads at once.
#pragma once

#include <cstdint>

#include "soundlib/soundlib_api.h"

extern "C" {

struct SlPluginFormat {
  const char* name;        // e.g. "FLAC"
  const char* extensions;  // e.g. "*.flac"
};

// Reads up to `n` bytes at `pos` of the file's window; returns the count read
// (fewer at the end or on a read error).
struct SlByteReader {
  void* context;
  uint32_t(SL_CALL* read)(void* context, uint64_t pos, void* dst, uint32_t n);
  uint64_t size;  // bytes in the window
};

struct SlDecoderFormat {
  uint32_t rate;      // Hz, 1000 to 384000
  uint32_t channels;  // 1 or 2 (a plug-in folds more to stereo)
  uint64_t frames;    // total frames, or ~0 when not known
};

struct SlDecoderOps {
  uint32_t size;  // sizeof(SlDecoderOps) as built: later builds may add entries at the end
  const char* name;
  // Non-zero when the first bytes (`n` of them, up to 8192; tried again after
  // an ID3v2 tag) look like this decoder's files; `total` is the window's size.
  int32_t(SL_CALL* probe)(const uint8_t* head, uint32_t n, uint64_t total);
  // Opens the file behind `reader` (which stays valid until `close`); null
  // with `*error` set to an SL_ERROR_* code when it cannot.
  void*(SL_CALL* open)(const SlByteReader* reader, SlDecoderFormat* format, int32_t* error);
  // Decodes up to `frames` interleaved 16-bit frames into `out`; returns the
  // frames written, 0 at the end. `*error` is set to SL_ERROR_DAMAGED (or
  // another code) when it stopped at damage, else left SL_OK.
  uint32_t(SL_CALL* decode)(void* decoder, int16_t* out, uint32_t frames, int32_t* error);
  // Moves to frame `frame`; non-zero on success.
  int32_t(SL_CALL* seek)(void* decoder, uint64_t frame);
  void(SL_CALL* close)(void* decoder);
};

// A plug-in's version word: the interface (2.4) in the high word, its build
// in the low one. Build 1 described formats only; build 2 adds the decoders.
inline constexpr uint32_t kSlPluginDecoderBuild = 2;
inline constexpr uint32_t kSlPluginVersion = (kSoundLibInterface << 16) | kSlPluginDecoderBuild;

struct SlPluginInfo {
  uint32_t version;  // kSlPluginVersion as it was built (the high word must be kSoundLibInterface)
  const char* name;
  uint32_t formatCount;
  const SlPluginFormat* formats;
  // Read only when the low word of `version` is kSlPluginDecoderBuild or more.
  uint32_t decoderCount = 0;
  const SlDecoderOps* const* decoders = nullptr;
};

}  // extern "C"

inline constexpr char kSlPluginEntry[] = "SoundLibPluginInfo";
using SlPluginInfoFn = const SlPluginInfo*(SL_CALL*)();
