# sb_add_test(NAME SOURCES... LIBS... [PIXELS])
# One GoogleTest program per subsystem, run under Wine by ctest. PIXELS marks
# programs that read back what windows drew: they take the display lock so no
# other test program's windows can lie over theirs.
find_package(Threads REQUIRED)
add_library(sb_gtest STATIC IMPORTED)
set_target_properties(sb_gtest PROPERTIES IMPORTED_LOCATION "${SB_DEPS}/lib/libgtest.a"
                      INTERFACE_INCLUDE_DIRECTORIES "${SB_DEPS}/include"
                      INTERFACE_LINK_LIBRARIES Threads::Threads)

function(sb_add_test name)
  cmake_parse_arguments(T "PIXELS" "" "SOURCES;LIBS;RESOURCES" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_RESOURCES})
  target_link_libraries(${name} PRIVATE sb_testsupport ${T_LIBS} sb_gtest)
  target_compile_options(${name} PRIVATE -fexceptions)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  # Generous: on kernels without 32-bit emulation every test runs through the
  # i386 emulator, and a loaded machine slows the programs that start whole shows.
  set_tests_properties(${name} PROPERTIES TIMEOUT 1200)
  if(T_PIXELS)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK display)
  endif()
endfunction()
