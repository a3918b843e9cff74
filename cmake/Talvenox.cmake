# Shared build helpers.

# Warnings for our own targets only.
function(talvenox_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

if(TALVENOX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(TALVENOX_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# talvenox_test(NAME [QT] SOURCES... LIBS libs... [ENV var=value...])
# One GoogleTest executable registered as one ctest entry. With QT the test's
# main() creates a QApplication first (testsupport); screens run offscreen.
function(talvenox_test name)
  cmake_parse_arguments(T "QT" "" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  talvenox_warnings(${name})
  if(T_QT)
    target_link_libraries(${name} PRIVATE ${T_LIBS} talvenox::qtmain GTest::gtest)
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;DACTILOX_NO_DIALOGS=1;ASAN_OPTIONS=detect_leaks=1;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/scripts/lsan.supp:print_suppressions=0;${T_ENV}"
    TIMEOUT 600)
endfunction()
