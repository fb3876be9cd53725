#include "services/lang_text.h"

#include <windows.h>

#include <mutex>
#include <string>

#include "services/portable/lang_format.h"

namespace {

// The folder the program's files lie in, set by the shell once it has
// loaded the settings and read by every thread's text lookups: the
// process's, kept here. Never destroyed (a thread may look a text up at exit).
struct ProgramFolderName {
  std::mutex lock;
  std::string path;
};

ProgramFolderName& Folder() {
  static ProgramFolderName* const folder = new ProgramFolderName;
  return *folder;
}

// One buffer per thread: the calendar sheet reads month names on the
// animation thread while option pages read their texts on the main thread.
thread_local char t_langText[kLangTextMax];
thread_local char t_figureText[kFigureTextMax];

const char* Lookup(bool figureTexts, const char* section, const char* key, const char* fallback, char* buffer,
                   int size) {
  // Before the settings are loaded the folder is empty and the bare name makes
  // the INI service look in the Windows folder.
  std::string path = JoinFolderFile(ProgramFolder().c_str(), LanguageFileName(Language.load(), figureTexts));
  DWORD length = GetPrivateProfileStringA(section, key, fallback ? fallback : "", buffer, size, path.c_str());
  if (length == 0) return nullptr;
  ExpandLineBreaks(buffer);
  return buffer;
}

}  // namespace

void SetProgramFolder(const char* folder) {
  const std::lock_guard<std::mutex> hold(Folder().lock);
  Folder().path = folder ? folder : "";
}

std::string ProgramFolder() {
  const std::lock_guard<std::mutex> hold(Folder().lock);
  return Folder().path;
}

const char* LangText(const char* section, const char* key, const char* germanDefault) {
  return Lookup(false, section, key, germanDefault, t_langText, kLangTextMax);
}

const char* FigureText(const char* section, const char* key) {
  return Lookup(true, section, key, nullptr, t_figureText, kFigureTextMax);
}
