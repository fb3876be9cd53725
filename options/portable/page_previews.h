#pragma once
// Preview pictures of the Sound and Birthday pages: resource names and
// sizes, shared by the pages and the art generator.

inline constexpr char kSoundPreviewLeft[] = "SOUND1";   // a loudspeaker
inline constexpr char kSoundPreviewRight[] = "SOUND2";  // a singing bird
inline constexpr char kBirthdayPreview[] = "FABIAN";    // the reminder figure
inline constexpr int kSoundPreviewWidth = 64;
inline constexpr int kSoundPreviewHeight = 56;
// Narrow enough to stand right of the page's buttons, low enough to stay
// below its fields.
inline constexpr int kBirthdayPreviewWidth = 56;
inline constexpr int kBirthdayPreviewHeight = 96;
