# Run by CPack on the staged files of the Debian package before it packs them,
# to finish them as Debian's own tools would.

# Programs lose the compiler's notes too (CPack's strip keeps them).
file(GLOB programs "${CPACK_TEMPORARY_DIRECTORY}/usr/bin/*")
foreach(program IN LISTS programs)
  execute_process(COMMAND "${CPACK_TIVREL_STRIP}" --remove-section=.comment --remove-section=.note "${program}"
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()

# Manual pages go in gzip-compressed, without a name or time stamp in the
# header, whichever rule installed them.
file(GLOB_RECURSE pages "${CPACK_TEMPORARY_DIRECTORY}/*/share/man/*")
foreach(page IN LISTS pages)
  if(page MATCHES "/man[1-9]/[^/]+\\.[1-9]$")
    execute_process(COMMAND gzip -9nf "${page}" COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
