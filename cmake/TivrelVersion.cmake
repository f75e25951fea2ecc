# TIVREL_VERSION: the four numbers of src/app/version.h, the file people edit,
# so that project() carries the same version as the program. Changing
# version.h runs CMake again.
set(_tivrel_version_h ${CMAKE_CURRENT_LIST_DIR}/../src/app/version.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_tivrel_version_h})
set(TIVREL_VERSION "")
foreach(part MAJOR MINOR PATCH BUILD)
  file(STRINGS ${_tivrel_version_h} line REGEX "^#define TIVREL_VERSION_${part} +[0-9]+ *$")
  string(REGEX MATCH "[0-9]+ *$" number "${line}")
  string(STRIP "${number}" number)
  if(number STREQUAL "")
    message(FATAL_ERROR "${_tivrel_version_h}: no \"#define TIVREL_VERSION_${part} <number>\"")
  endif()
  list(APPEND TIVREL_VERSION ${number})
endforeach()
list(JOIN TIVREL_VERSION . TIVREL_VERSION)
unset(_tivrel_version_h)
