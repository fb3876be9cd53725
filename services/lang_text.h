#pragma once
// Interface texts from "deutsch.lng" / "english.lng" in the program folder
// (Windows-1252 INI files); `Language` 1 picks the German ones.

#include <atomic>
#include <string>

// The interface language: 1 German, else English (the General page's choice).
inline std::atomic<int> Language{0};

// The folder the program's data files lie in (the language files, the
// station list); the shell sets it once the settings are loaded. Empty
// before: the bare names then make the INI service look in the Windows folder.
void SetProgramFolder(const char* folder);
std::string ProgramFolder();

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
