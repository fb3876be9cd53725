#pragma once
// Vector row kernels of the resize methods. Each performs, per sample, the
// same floating operations in the same order as the method's scalar walk,
// so every level gives the same bytes. Two builds of one source: SSE2 (the
// baseline of both targets) and AVX (chosen when the processor has it).
//
// Sample offsets and strides are in samples. "Padded" rows may be read up to
// 4 samples past their last pixel; outputs marked "+1" may be written one
// sample past their end.

#include <cstddef>
#include <cstdint>

namespace Pictura {

// Column tables of the bilinear single-precision rows: per destination
// column the sample offsets of its two source columns (x1 the next pixel or
// x0 itself at the right edge) and tx; txLanes holds tx as float four times
// per column (a whole pixel's lanes). Before fastEnd x1 is x0 plus one pixel
// and 16 bytes from x0 lie within the source row.
struct BilinearColumns {
  const uint32_t* x0;
  const uint32_t* x1;
  const double* tx;
  const float* txLanes;
  uint32_t count;
  uint32_t fastEnd;
  uint32_t channels;  // 3 or 4
};

// Column tables of the bilinear rows in whole numbers (FixedBilinear in
// bilinear_resize.h): per destination column the sample offsets of its two
// source columns and its weights dx - w and w as signed bytes, four pairs
// (8 bytes a column). Before fastEnd x1 is x0 plus one pixel and 8 bytes
// from x0 lie within the source row. A blend q of weights (dx - w, w)
// across and (dy - wy, wy) down gives the sample floor(q / (dx dy)), taken
// in the vectors as q times `inverse`, truncated.
struct BilinearFixedColumns {
  const uint32_t* x0;
  const uint32_t* x1;
  const int8_t* weights;
  uint32_t count;
  uint32_t fastEnd;
  uint32_t channels;  // 3 or 4
  uint32_t dx;
  uint32_t dy;
  float inverse;
};

struct ResampleKernels {
  // Bilinear row, 8-bit, 3 or 4 channels, columns [0, count): tx and 1 - tx
  // per column, ty of the row; x0/x1 the sample offsets of the two source
  // columns; w room for 4 x count doubles. Before fastEnd x1 is x0 plus one
  // pixel and the pixel after x1 is still in the row; from there on loads
  // are exact. The last column is written exactly.
  void (*bilinearRowU8)(const uint8_t* row0, const uint8_t* row1, uint8_t* out, uint32_t channels,
                        const uint32_t* x0, const uint32_t* x1, const double* tx, const double* omtx,
                        double ty, double* w, uint32_t count, uint32_t fastEnd);
  // The same from source rows widened to doubles and padded by 4 samples.
  void (*bilinearRowWideU8)(const double* row0, const double* row1, uint8_t* out, uint32_t channels,
                            const uint32_t* x0, const uint32_t* x1, const double* tx, const double* omtx,
                            double ty, double* w, uint32_t count);
  // n bytes to n doubles.
  void (*widenRowU8)(const uint8_t* in, double* out, size_t n);
  // Cubic horizontal pass of one padded 8-bit row, 3 or 4 channels, into
  // count x channels doubles (+1): ((s0 w0 + s1 w1) + s2 w2) - s3 w3.
  void (*cubicRowU8)(const uint8_t* row, double* out, uint32_t channels, const uint32_t* const offsets[4],
                     const double* const weights[4], uint32_t count);
  // Cubic vertical pass over n samples: ((h0 wy0 + h1 wy1) + h2 wy2) + h3 wy3.
  void (*cubicColU8)(const double* const rows[4], const double wy[4], uint8_t* out, size_t n);
  void (*cubicColU16)(const double* const rows[4], const double wy[4], uint16_t* out, size_t n);
  void (*cubicColF64)(const double* const rows[4], const double wy[4], double* out, size_t n);
  // Filter horizontal pass of one padded 8-bit row, 3 or 4 channels, into
  // count pixels (+1). Column x uses list entries [first[x], first[x + 1]).
  void (*filterRowU8)(const uint8_t* row, uint8_t* out, uint32_t channels, const uint32_t* first,
                      const uint32_t* offsets, const double* weights, uint32_t count);
  // Filter vertical pass over n samples of taps rows.
  void (*filterColU8)(const uint8_t* const* rows, const double* weights, uint32_t taps, uint8_t* out,
                      size_t n);
  // Bilinear rows in single precision with a proven error bound; a sample
  // whose bound reaches a truncation boundary is computed exactly, so the
  // bytes are the scalar walk's. Null below the AVX2 level.
  // One destination row from its two source rows, every column.
  void (*bilinearDirectRowU8)(const uint8_t* row0, const uint8_t* row1, uint8_t* out,
                              const BilinearColumns& c, double ty);
  // For rows that serve several destination rows: one source row blended
  // across (count x channels floats, scaled by 65536, +8 room) with a flag
  // per sample that the blend is exactly the first column's sample ...
  void (*bilinearAcrossRowU8)(const uint8_t* row, const BilinearColumns& c, float* h, int32_t* exact);
  // ... then two such rows blended down into a destination row, and into a
  // second one (with its own ty) unless next is null.
  void (*bilinearDownRowU8)(const float* h0, const float* h1, const int32_t* exact0, const int32_t* exact1,
                            const uint8_t* row0, const uint8_t* row1, const BilinearColumns& c, uint8_t* out,
                            double ty, uint8_t* next, double tyNext);
  // Area-average row, 8-bit, 3 or 4 channels: see AreaRowU8 in the sources.
  void (*areaRowU8)(const uint8_t* const* rows, const double* rowWeights, uint32_t rowCount, uint8_t* out,
                    uint32_t channels, const uint32_t* first, const uint32_t* end, const double* firstWeight,
                    const double* lastWeight, const double* colTotal, double rowTotal, uint32_t count,
                    uint32_t safeEnd);
  // One destination row in whole numbers, every column, from its two source
  // rows and its row weight wy (0 .. dy). Null below the AVX2 level.
  void (*bilinearFixedRowU8)(const uint8_t* row0, const uint8_t* row1, uint8_t* out,
                             const BilinearFixedColumns& c, uint32_t wy);
};

// Vector levels: 0 none (the scalar walks), 1 SSE2, 2 AVX, 3 AVX2 with FMA.
inline constexpr int kResampleTopLevel = 3;
// The kernels of the best level the processor has, within the cap; null for
// level 0.
const ResampleKernels* ActiveResampleKernels();
int ResampleVectorLevel();
// For tests and measurements: the highest level to use (default the top).
void SetResampleVectorCap(int level);

const ResampleKernels& ResampleKernelsSSE2();
const ResampleKernels& ResampleKernelsAVX();
const ResampleKernels& ResampleKernelsAVX2();

}  // namespace Pictura
