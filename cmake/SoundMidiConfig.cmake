# cmake -DIN=freepats.cfg -DOUT=timidity.cfg -P SoundMidiConfig.cmake
# Writes the instrument set's configuration without its `dir` lines: the
# synthesizer then finds the patches beside the file, wherever it lies.
file(STRINGS "${IN}" lines)
set(out "# Debian's freepats (from ${IN}); patch paths are relative to this file.\n")
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^[ \t]*dir[ \t]")
    string(APPEND out "${line}\n")
  endif()
endforeach()
file(WRITE "${OUT}" "${out}")
