# A shipped Windows image carries no debug information and no symbol table:
# Wine copies a whole image with 512-byte file alignment into private memory.
# Both go to NAME.debug beside it, which Wine's crash backtraces find through
# the debug link (they name functions and lines from its DWARF). One symbol,
# the runtime's entry, stays: without a symbol Wine reads no string table, so
# it cannot name the section ".gnu_debuglink" and never finds the debug file.
function(waylune_split_debug target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE_NAME:${target}> $<TARGET_FILE_NAME:${target}>.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-all --keep-symbol=_mainCRTStartup --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug
            $<TARGET_FILE_NAME:${target}>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    VERBATIM)
endfunction()
