# Adds resources/tivrel.rc to TARGET so that it is compiled again whenever
# anything it reads changes. windres reports no dependencies of its own: the
# headers it includes come from its preprocessor's depfile, and the files it
# embeds (images, manifest) are named here.
function(tivrel_add_resources target)
  set(rc ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/tivrel.rc)
  target_sources(${target} PRIVATE ${rc})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
  file(GLOB images CONFIGURE_DEPENDS ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/images/*)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS
    "${images};${CMAKE_CURRENT_FUNCTION_LIST_DIR}/tivrel.manifest")
endfunction()

# Ninja reads the headers windres included (version.h) from this depfile.
set(CMAKE_DEPFILE_FLAGS_RC
  "--preprocessor-arg=-MD --preprocessor-arg=-MT<DEP_TARGET> --preprocessor-arg=-MF<DEP_FILE>")
