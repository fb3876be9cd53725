#pragma once
// Interface texts from "deutsch.lng" / "english.lng" in the program folder
// (Windows-1252 INI files); `Language` 1 picks the German ones.

// Looks up section/key with a German default; "\n" in the file becomes a line
// break. Returns null when the result is empty. The text lives in a buffer of
// the calling thread that its next call overwrites: copy it before calling
// again on the same thread.
const char* LangText(const char* section, const char* key, const char* germanDefault);
// Figure texts from "deutsch.leut" / "english.leut"; null when missing. Same
// buffer rule as LangText.
const char* FigureText(const char* section, const char* key);

// Buffer sizes: the longest text returned is one less.
constexpr int kLangTextMax = 4000;
constexpr int kFigureTextMax = 512;
