# tivrel_add_test(NAME name SOURCES ... LIBS ... LABELS ...)
# One ctest entry per binary: under Wine every process start costs, so the
# binaries are not split into one entry per case.
function(tivrel_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_compile_options(${T_NAME} PRIVATE ${TIVREL_WARNINGS})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_brief=1)
  set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}" TIMEOUT 300)
endfunction()
