#pragma once
// Interface texts from "deutsch.lng" / "english.lng" in the program folder.

// Looks up section/key with a German default; "\n" in the file becomes a line
// break. Returns null when the result is empty. The buffer is reused by the
// next call on any thread: copy the text before calling again.
const char* LangText(const char* section, const char* key, const char* germanDefault);
// Figure texts from "deutsch.leut" / "english.leut"; null when missing.
const char* FigureText(const char* section, const char* key);
