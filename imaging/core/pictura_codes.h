#pragma once
// Named flags and error codes of the pic_ entries. The numbers are the
// interface: callers store them, and they never change.

#include <cstdint>

// Error codes (0 = success), the calling thread's last error after an entry.
// The library keeps no texts for them; callers have their own tables.
enum PicErrorCode : uint32_t {
  kPicOk = 0,
  kPicErrNoMemory = 1,
  kPicErrFileOpen = 2,
  kPicErrFileRead = 3,
  kPicErrFileWrite = 4,
  kPicErrBadArgument = 5,
  kPicErrBadBMP = 6,
  kPicErrRLEVariant = 7,
  kPicErrGIFVersion = 8,
  kPicErrBadJPEG = 9,
  kPicErrDeviceContext = 10,
  kPicErrDIBitsCall = 11,
  kPicErrBadGIF = 12,
  kPicErrResourceNotFound = 13,
  kPicErrCancelled = 14,  // a progress callback returned FALSE
  kPicErrBadPNG = 15,
  kPicErrPNGLibrary = 16,
  kPicErrUnexpected = 17,  // the catch-all of the codec cores
  kPicErrCreateFont = 18,
  kPicErrTIFFInternal = 19,
  kPicErrBadTIFF = 20,
  kPicErrTIFFLZW = 21,
  kPicErrBadPCX = 22,
  kPicErrCreateCompatibleBitmap = 23,
  kPicErrEndOfImage = 24,
  kPicErrGetDIBits = 25,
  kPicErrDeviceCapability = 26,
  kPicErrBadMetafile = 27,
  kPicErrBitDepth = 28,
  kPicErrBitBlt = 29,
  kPicErrBufferTooSmall = 30,
  kPicErrPaletteTooSmall = 31,
  kPicErrBadTGA = 32,
  kPicErrNoTGAThumbnail = 33,
  kPicErrCreateDIBitmap = 35,
  kPicErrLZWNotPermitted = 36,
  kPicErrSelectObject = 37,
  kPicErrBadManager = 38,
  kPicErrObsolete = 39,
  kPicErrCreateDIBSection = 40,
  kPicErrSetWinMetaFileBits = 41,
  kPicErrGetMetaFileBits = 42,
  kPicErrBadPassword = 43,
  kPicErrBadEncryptedFile = 44,
  kPicErrNotSupported = 45,
  kPicErrBadPSD = 46,
  kPicErrPSDSubFormat = 47,
  kPicErrDecryption = 48,
  kPicErrEncryption = 49,
  kPicErrCompression = 50,
  kPicErrDecompression = 51,
  kPicErrBadTLA = 52,
  kPicErrBadWBMP = 53,
  kPicErrTIFFTagUnreadable = 54,
  kPicErrNoThreadState = 55,  // only the last-error query gives it
  kPicErrBadEXIF = 56,
  kPicErrBadIPTC = 58,
  kPicErrNoIPTCTag = 59,
  kPicErrInterlacedPNGLines = 60,
  kPicErrPolygonNotConvex = 61,
  kPicErrNoTransformMatrix = 62,
  kPicErrBadPhotoCD = 63,
  kPicErrPhotoCDIndex = 64,
  kPicErrNoEXIFThumbnail = 65,
  kPicErrPNGDataMissing = 66,
  kPicErrPhotoshopResource = 67,
  kPicErrFilterOutputTooSmall = 68,
  kPicErrZlibInit = 69,
  kPicErrZlibCoding = 70,
  kPicErrNoCpuFeature = 71,
  kPicErrPSDResourceMissing = 72,
  kPicErrTIFFSeparatePlanes = 74,
  kPicErrTIFFStripIndex = 75,
  kPicErrPNMFormat = 78,
  kPicErrGIFAnimationEnded = 79,
  kPicErrPoolTimeout = 84,
  kPicErrBorderCorners = 88,
  kPicErrPoolNotRunning = 89,
  kPicErrMetafileDraw = 90,
  kPicErrMetafileWrite = 91,
};

// Flags word of the pixel operations and resizes.
enum PicOperationFlag : uint32_t {
  kPicFlagBGR = 0x1,             // pixel bytes blue, green, red (red is sample 2)
  kPicFlag16Bit = 0x200,         // two-type entries: 16 bits per sample
  kPicFlagNoThreads = 0x100000,  // keep the operation off the thread pool
};

// Resize modes of pic_ResizeImage and its relatives.
enum PicResizeMode : uint32_t {
  kPicResizeBox = 0,
  kPicResizeTriangle = 1,
  kPicResizeHamming = 2,
  kPicResizeGaussian = 3,
  kPicResizeQuadraticBSpline = 4,
  kPicResizeCubicBSpline = 5,
  kPicResizeHermite = 6,
  kPicResizeCubicBSpline2 = 7,
  kPicResizeLanczos3 = 8,
  kPicResizeMitchell = 9,
  kPicResizeSinc = 10,
  kPicResizeHermite2 = 11,
  kPicResizeHanning = 12,
  kPicResizeCatmullRom = 13,
  kPicResizeLastFilter = 13,  // 0..13 are filter kernels (8 bits only)
  kPicResizeDecimate = 14,    // block decimation
  kPicResizeArea = 15,        // decimation by whole factors, else by area
  kPicResizeBilinear = 16,
  kPicResizeBicubic = 17,
  kPicResizeNearest = 18,
};

// Flags of the octree palette and mapping entries (bit 0 is kPicFlagBGR).
enum PicOctreeFlag : uint32_t {
  kPicOctreeFourBytes = 0x2,     // 4 bytes per pixel, the fourth ignored
  kPicOctreeSkipLowAlpha = 0x4,  // 4 bytes per pixel; a fourth byte below 8 leaves the pixel out
  kPicOctreeHeap = 0x8,          // the palette from the pointer octree
};

// Flags word of the codecs' readers and writers.
enum PicCodecFlag : uint32_t {
  kPicReadPackedDIB = 0x2,  // readers: a packed DIB instead of a plain buffer
  kPicReadPaddedBGR = 0x8,  // readers: rows padded to 4 bytes, blue-green-red kept
  kPicWriteBottomUp = 0x4,  // writers: the caller's rows are bottom-up
  kPicWriteBGR = 0x8,       // writers: the caller's pixels are blue-green-red
};
