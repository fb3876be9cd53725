#pragma once
// Small text helpers of the language files.

#include <string>

// Turns every two-character sequence backslash-n into CR LF, in place (the
// length stays the same).
void ExpandLineBreaks(char* text);

// Language file of the active language: "deutsch.lng" for 1, else
// "english.lng"; the figure texts are ".leut".
const char* LanguageFileName(int language, bool figureTexts);

// folder + "\" + file; the bare file name when the folder is empty.
std::string JoinFolderFile(const char* folder, const char* file);
