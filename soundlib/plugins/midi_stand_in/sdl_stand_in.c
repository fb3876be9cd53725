/* The SDL functions the MIDI synthesizer needs that the C library lacks. */
#include <stdio.h>

#include "SDL.h"

static _Thread_local char last_error[256];

int SDL_SetError(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  vsnprintf(last_error, sizeof last_error, fmt, args);
  va_end(args);
  return -1;
}

const char* SDL_GetError(void) {
  return last_error;
}

size_t SDL_strlcpy(char* dst, const char* src, size_t maxlen) {
  size_t len = strlen(src);
  if (maxlen > 0) {
    size_t n = len < maxlen - 1 ? len : maxlen - 1;
    memcpy(dst, src, n);
    dst[n] = '\0';
  }
  return len;
}

char* SDL_strtokr(char* s1, const char* s2, char** saveptr) {
  char* s = s1 ? s1 : *saveptr;
  if (!s) return NULL;
  s += strspn(s, s2);
  if (!*s) {
    *saveptr = s;
    return NULL;
  }
  char* end = s + strcspn(s, s2);
  if (*end) *end++ = '\0';
  *saveptr = end;
  return s;
}

static Sint64 file_seek(SDL_RWops* rw, Sint64 offset, int whence) {
  FILE* f = (FILE*)rw->data;
  static const int origin[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (whence < 0 || whence > 2 || offset != (long)offset || fseek(f, (long)offset, origin[whence]) != 0)
    return -1;
  return ftell(f);
}

static size_t file_read(SDL_RWops* rw, void* ptr, size_t size, size_t maxnum) {
  return size && maxnum ? fread(ptr, size, maxnum, (FILE*)rw->data) : 0;
}

static int file_close(SDL_RWops* rw) {
  int rc = fclose((FILE*)rw->data);
  free(rw);
  return rc;
}

SDL_RWops* SDL_RWFromFile(const char* file, const char* mode) {
  FILE* f = fopen(file, mode);
  if (!f) return NULL;
  SDL_RWops* rw = (SDL_RWops*)calloc(1, sizeof *rw);
  if (!rw) {
    fclose(f);
    return NULL;
  }
  rw->seek = file_seek;
  rw->read = file_read;
  rw->close = file_close;
  rw->data = f;
  return rw;
}
