#include "codecs/tla/tla_cipher.h"

#include <cstring>

namespace Pictura {

namespace {

// A zeroing the compiler cannot drop as a dead store.
void WipeBytes(void* p, size_t n) {
  volatile uint8_t* v = static_cast<volatile uint8_t*>(p);
  while (n--) *v++ = 0;
}

}  // namespace

uint8_t StreamCipher::KeyRand(uint32_t limit, const uint8_t* key, size_t length, uint8_t* rsum,
                              size_t* kpos) {
  uint32_t mask = 1;
  while (mask < limit) mask = mask * 2 + 1;
  uint32_t u = 0, tries = 0;
  do {
    *rsum = static_cast<uint8_t>(cards_[*rsum] + key[*kpos]);
    if (++*kpos == length) {
      *kpos = 0;
      *rsum = static_cast<uint8_t>(*rsum + length);
    }
    u = *rsum & mask;
    if (++tries > 11) u %= limit;
  } while (u > limit);
  return static_cast<uint8_t>(u);
}

void StreamCipher::CipherSetKey(const uint8_t* key, size_t length) {
  for (int i = 0; i < 256; ++i) cards_[i] = static_cast<uint8_t>(i);
  uint8_t rsum = 0;
  size_t kpos = 0;
  if (length)
    for (uint32_t i = 255; i >= 1; --i) {
      const uint8_t j = KeyRand(i, key, length, &rsum, &kpos);
      const uint8_t t = cards_[i];
      cards_[i] = cards_[j];
      cards_[j] = t;
    }
  rotor_ = cards_[1];
  ratchet_ = cards_[3];
  avalanche_ = cards_[5];
  lastPlain_ = cards_[7];
  lastCipher_ = cards_[rsum];
  WipeBytes(&rsum, 1);
}

// Shuffles and returns the keystream byte.
uint8_t StreamCipher::Shuffle() {
  ratchet_ = static_cast<uint8_t>(ratchet_ + cards_[rotor_]);
  ++rotor_;
  const uint8_t t = cards_[lastCipher_];
  cards_[lastCipher_] = cards_[ratchet_];
  cards_[ratchet_] = cards_[lastPlain_];
  cards_[lastPlain_] = cards_[rotor_];
  cards_[rotor_] = t;
  avalanche_ = static_cast<uint8_t>(avalanche_ + cards_[t]);
  const uint8_t inner = static_cast<uint8_t>(cards_[avalanche_] + cards_[lastCipher_] + cards_[lastPlain_]);
  return cards_[cards_[inner]] ^ cards_[static_cast<uint8_t>(cards_[ratchet_] + cards_[rotor_])];
}

uint8_t StreamCipher::CipherEncryptByte(uint8_t b) {
  const uint8_t c = b ^ Shuffle();
  lastPlain_ = b;
  lastCipher_ = c;
  return c;
}

uint8_t StreamCipher::CipherDecryptByte(uint8_t c) {
  const uint8_t b = c ^ Shuffle();
  lastCipher_ = c;
  lastPlain_ = b;
  return b;
}

void StreamCipher::CipherHashInit(uint32_t hashLength) {
  for (int i = 0; i < 256; ++i) cards_[i] = static_cast<uint8_t>(255 - i);
  rotor_ = 1, ratchet_ = 3, avalanche_ = 5, lastPlain_ = 7, lastCipher_ = 11;
  hashLength_ = hashLength;
}

void StreamCipher::CipherHashFinal(uint8_t* out, size_t length) {
  for (int i = 255; i >= 0; --i) CipherEncryptByte(static_cast<uint8_t>(i));
  for (size_t j = 0; j < length; ++j) out[j] = CipherEncryptByte(0);
}

void StreamCipher::Clear() {
  WipeBytes(cards_, sizeof cards_);
  WipeBytes(&rotor_, 1), WipeBytes(&ratchet_, 1), WipeBytes(&avalanche_, 1);
  WipeBytes(&lastPlain_, 1), WipeBytes(&lastCipher_, 1), WipeBytes(unused_, sizeof unused_);
  hashLength_ = 0;
}

void TLAPasswordKey(const char* password, uint8_t key[32]) {
  StreamCipher hash;
  hash.CipherHashInit(32);
  hash.HashUpdate(reinterpret_cast<const uint8_t*>(password), std::strlen(password));
  hash.CipherHashFinal(key, 32);
}

}  // namespace Pictura
