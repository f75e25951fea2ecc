# Run by CPack on the staged files before it packs them: Debian installs
# manual pages gzip-compressed, without a name or time stamp in the header.
file(GLOB_RECURSE pages "${CPACK_TEMPORARY_DIRECTORY}/*/share/man/*")
foreach(page IN LISTS pages)
  if(page MATCHES "/man[1-9]/[^/]+\\.[1-9]$")
    execute_process(COMMAND gzip -9nf "${page}" COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
