#pragma once
// The byte-stream cipher of the TLA container: a keyed permutation of 0..255
// shuffled with every byte, the keystream fed back from the plain and the
// enciphered byte. It obscures a file for a reader without the password; it
// is no modern encryption (no authentication, every record restarts from
// the same key). Its hash mode turns a password into the 32-byte key.

#include <cstddef>
#include <cstdint>

namespace Pictura {

class StreamCipher {
 public:
  StreamCipher() = default;
  ~StreamCipher() { Clear(); }
  StreamCipher(const StreamCipher&) = delete;
  StreamCipher& operator=(const StreamCipher&) = delete;

  void CipherSetKey(const uint8_t* key, size_t length);
  uint8_t CipherEncryptByte(uint8_t b);
  uint8_t CipherDecryptByte(uint8_t c);
  void Encrypt(uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) bytes[i] = CipherEncryptByte(bytes[i]);
  }
  void Decrypt(uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) bytes[i] = CipherDecryptByte(bytes[i]);
  }
  void EncryptTo(uint8_t* out, const uint8_t* in, size_t count) {
    for (size_t i = 0; i < count; ++i) out[i] = CipherEncryptByte(in[i]);
  }
  void DecryptTo(uint8_t* out, const uint8_t* in, size_t count) {
    for (size_t i = 0; i < count; ++i) out[i] = CipherDecryptByte(in[i]);
  }

  void CipherHashInit(uint32_t hashLength);
  void HashUpdate(const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) CipherEncryptByte(bytes[i]);
  }
  void CipherHashFinal(uint8_t* out, size_t length);

  // Every byte of the state to zero (also the permutation): nothing of the
  // key stays in memory once a run is done.
  void Clear();

 private:
  uint8_t KeyRand(uint32_t limit, const uint8_t* key, size_t length, uint8_t* rsum, size_t* kpos);
  uint8_t Shuffle();

  uint32_t hashLength_ = 0;
  uint8_t cards_[256] = {};
  uint8_t rotor_ = 0, ratchet_ = 0, avalanche_ = 0, lastPlain_ = 0, lastCipher_ = 0;
  uint8_t unused_[3] = {};  // no padding: a wiped state is zero throughout
};

// The 32-byte key of a password (hash mode over its bytes).
void TLAPasswordKey(const char* password, uint8_t key[32]);

}  // namespace Pictura
