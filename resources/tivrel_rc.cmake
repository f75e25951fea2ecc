# What resources/tivrel.rc reads besides itself, so that a changed image,
# manifest or version.h rebuilds the resource object (windres reports no
# dependencies of its own). include() this where tivrel.rc is added to a target.
file(GLOB _tivrel_rc_images CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/images/*)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/tivrel.rc PROPERTIES OBJECT_DEPENDS
  "${_tivrel_rc_images};${CMAKE_CURRENT_LIST_DIR}/tivrel.manifest;${CMAKE_CURRENT_LIST_DIR}/../src/app/version.h")
unset(_tivrel_rc_images)
