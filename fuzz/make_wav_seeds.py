#!/usr/bin/env python3
"""Seeds of wav_reader_fuzz: one small WAVE file per layout the reader takes
(8/16/24/32-bit integer and float, mono and stereo, the extensible header,
extra chunks with padding), so a short run starts past the header checks."""
import math
import os
import struct
import sys
import wave


def tone(frames, channels, peak):
    return [int(peak * math.sin(2 * math.pi * i / 37 + c)) for i in range(frames) for c in range(channels)]


def riff(fmt, data, extra=b""):
    chunks = b"fmt " + struct.pack("<I", len(fmt)) + fmt + extra
    chunks += b"data" + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")
    return b"RIFF" + struct.pack("<I", 4 + len(chunks)) + b"WAVE" + chunks


def fmt_chunk(tag, channels, rate, bits):
    align = channels * bits // 8
    return struct.pack("<HHIIHH", tag, channels, rate, rate * align, align, bits)


def extensible(channels, rate, bits, sub_tag):
    guid = struct.pack("<H", sub_tag) + bytes([0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71])
    mask = 3 if channels == 2 else 4
    return fmt_chunk(0xFFFE, channels, rate, bits) + struct.pack("<HHI", 22, bits, mask) + guid


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    files = {}

    # The standard library's writer for the plain PCM layouts.
    for name, width, channels, rate in (("pcm8_mono", 1, 1, 8000), ("pcm16_stereo", 2, 2, 44100),
                                        ("pcm16_mono_22050", 2, 1, 22050)):
        path = os.path.join(out, name + ".wav")
        with wave.open(path, "wb") as w:
            w.setnchannels(channels)
            w.setsampwidth(width)
            w.setframerate(rate)
            values = tone(300, channels, 100 if width == 1 else 20000)
            if width == 1:
                w.writeframes(bytes(128 + v for v in values))
            else:
                w.writeframes(struct.pack("<%dh" % len(values), *values))

    pcm24 = b"".join(struct.pack("<i", v << 8)[:3] for v in tone(200, 2, 30000))
    files["pcm24_stereo"] = riff(fmt_chunk(1, 2, 48000, 24), pcm24)
    files["pcm32_mono"] = riff(fmt_chunk(1, 1, 32000, 32),
                               struct.pack("<200i", *[v << 16 for v in tone(200, 1, 30000)]))
    floats = [v / 32768 for v in tone(200, 2, 40000)]  # some beyond full scale
    files["float_stereo"] = riff(fmt_chunk(3, 2, 44100, 32), struct.pack("<400f", *floats))
    files["extensible_pcm16"] = riff(extensible(2, 44100, 16, 1), struct.pack("<400h", *tone(200, 2, 9000)))
    files["extensible_float"] = riff(extensible(1, 96000, 32, 3), struct.pack("<200f", *[0.5] * 200))
    # A LIST chunk of odd length before the data, and an odd-length data chunk.
    files["chunks_and_padding"] = riff(fmt_chunk(1, 1, 11025, 8), bytes(range(0, 255, 2)),
                                       extra=b"LIST" + struct.pack("<I", 5) + b"INFOx\0")
    # A data length that claims more than the file holds.
    cut = bytearray(riff(fmt_chunk(1, 1, 16000, 16), struct.pack("<100h", *tone(100, 1, 5000))))
    cut[40:44] = struct.pack("<I", 0xFFFFFFFF)
    files["data_longer_than_file"] = bytes(cut)

    for name, data in files.items():
        with open(os.path.join(out, name + ".wav"), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
