#include "services/portable/lang_format.h"

#include <cstring>

void ExpandLineBreaks(char* text) {
  if (!text) return;
  for (char* p = text; p[0] && p[1]; ++p) {
    if (p[0] == '\\' && p[1] == 'n') {
      p[0] = '\r';
      p[1] = '\n';
      ++p;
    }
  }
}

const char* LanguageFileName(int language, bool figureTexts) {
  if (language == 1) return figureTexts ? "deutsch.leut" : "deutsch.lng";
  return figureTexts ? "english.leut" : "english.lng";
}

std::string JoinFolderFile(const char* folder, const char* file) {
  std::string path = folder ? folder : "";
  if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
  path += file ? file : "";
  return path;
}
