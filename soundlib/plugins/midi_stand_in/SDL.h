/* The few SDL types and functions the MIDI synthesizer (SDL2_mixer's
 * TiMidity) uses, over the C library, so it builds without SDL. Its users
 * include this before timidity.h and hand songs in as an SDL_RWops of their
 * own (read, seek and close callbacks). */
#ifndef SOUND_DEPS_SDL_STAND_IN_H
#define SOUND_DEPS_SDL_STAND_IN_H

#include <math.h>
#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int8_t Sint8;
typedef uint8_t Uint8;
typedef int16_t Sint16;
typedef uint16_t Uint16;
typedef int32_t Sint32;
typedef uint32_t Uint32;
typedef int64_t Sint64;
typedef uint64_t Uint64;
typedef enum { SDL_FALSE = 0, SDL_TRUE = 1 } SDL_bool;

#define SDL_INLINE inline
#define SDL_LIL_ENDIAN 1234
#define SDL_BIG_ENDIAN 4321
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
#define SDL_BYTEORDER SDL_BIG_ENDIAN
#else
#define SDL_BYTEORDER SDL_LIL_ENDIAN
#endif

#define SDL_MAJOR_VERSION 2
#define SDL_MINOR_VERSION 26
#define SDL_PATCHLEVEL 0
#define SDL_VERSIONNUM(X, Y, Z) ((X)*1000 + (Y)*100 + (Z))
#define SDL_VERSION_ATLEAST(X, Y, Z) \
  (SDL_VERSIONNUM(SDL_MAJOR_VERSION, SDL_MINOR_VERSION, SDL_PATCHLEVEL) >= SDL_VERSIONNUM(X, Y, Z))

#define SDL_malloc malloc
#define SDL_calloc calloc
#define SDL_realloc realloc
#define SDL_free free
#define SDL_memset memset
#define SDL_memcpy memcpy
#define SDL_memcmp memcmp
#define SDL_strlen strlen
#define SDL_strcmp strcmp
#define SDL_strchr strchr
#define SDL_strrchr strrchr
#define SDL_atoi atoi
#define SDL_snprintf snprintf
#define SDL_sin sin
#define SDL_Log(...) ((void)0)

size_t SDL_strlcpy(char* dst, const char* src, size_t maxlen);
char* SDL_strtokr(char* s1, const char* s2, char** saveptr);
/* The last error the synthesizer set on this thread ("" when none). */
int SDL_SetError(const char* fmt, ...);
const char* SDL_GetError(void);

static inline Uint16 SDL_Swap16(Uint16 x) {
  return (Uint16)((x << 8) | (x >> 8));
}
static inline Uint32 SDL_Swap32(Uint32 x) {
  return (x << 24) | ((x << 8) & 0x00FF0000u) | ((x >> 8) & 0x0000FF00u) | (x >> 24);
}
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
#define SDL_SwapLE16(x) (x)
#define SDL_SwapLE32(x) (x)
#define SDL_SwapBE16(x) SDL_Swap16(x)
#define SDL_SwapBE32(x) SDL_Swap32(x)
#else
#define SDL_SwapLE16(x) SDL_Swap16(x)
#define SDL_SwapLE32(x) SDL_Swap32(x)
#define SDL_SwapBE16(x) (x)
#define SDL_SwapBE32(x) (x)
#endif

/* A readable source: the synthesizer reads songs and patches through it. */
#define RW_SEEK_SET 0
#define RW_SEEK_CUR 1
#define RW_SEEK_END 2
typedef struct SDL_RWops {
  Sint64 (*seek)(struct SDL_RWops* context, Sint64 offset, int whence);
  /* Reads up to maxnum objects of size bytes; returns how many it read. */
  size_t (*read)(struct SDL_RWops* context, void* ptr, size_t size, size_t maxnum);
  /* Frees what the source holds (the synthesizer closes only the files it opened). */
  int (*close)(struct SDL_RWops* context);
  void* data;
} SDL_RWops;
SDL_RWops* SDL_RWFromFile(const char* file, const char* mode);
#define SDL_RWread(ctx, ptr, size, n) ((ctx)->read((ctx), (ptr), (size), (n)))
#define SDL_RWseek(ctx, offset, whence) ((ctx)->seek((ctx), (offset), (whence)))
#define SDL_RWtell(ctx) ((ctx)->seek((ctx), 0, RW_SEEK_CUR))
#define SDL_RWclose(ctx) ((ctx)->close(ctx))

/* Output formats. */
#define AUDIO_U8 0x0008
#define AUDIO_S8 0x8008
#define AUDIO_U16LSB 0x0010
#define AUDIO_S16LSB 0x8010
#define AUDIO_U16MSB 0x1010
#define AUDIO_S16MSB 0x9010
#define AUDIO_S32LSB 0x8020
#define AUDIO_S32MSB 0x9020
#define AUDIO_F32LSB 0x8120
#define AUDIO_F32MSB 0x9120
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
#define AUDIO_S16SYS AUDIO_S16LSB
#define AUDIO_S32SYS AUDIO_S32LSB
#define AUDIO_F32SYS AUDIO_F32LSB
#else
#define AUDIO_S16SYS AUDIO_S16MSB
#define AUDIO_S32SYS AUDIO_S32MSB
#define AUDIO_F32SYS AUDIO_F32MSB
#endif
typedef struct SDL_AudioSpec {
  int freq;       /* frames a second */
  Uint16 format;  /* AUDIO_* */
  Uint8 channels; /* 1 or 2 */
  Uint8 silence;
  Uint16 samples; /* frames the synthesizer renders at a time */
  Uint16 padding;
  Uint32 size;
} SDL_AudioSpec;

#ifdef __cplusplus
}
#endif
#endif
