# Settings shared by every target of the project.

# bramblet_configure_target(<target>) gives a target the project's warnings and sanitizers.
function(bramblet_configure_target target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(BRAMBLET_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(BRAMBLET_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                                             -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
  if(BRAMBLET_FUZZ)
    # Coverage for the fuzzer's guidance; the fuzz targets themselves link the libFuzzer runtime.
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()

# bramblet_add_test_executable(<name> <prefix> LIBS <libs...>) builds one GoogleTest executable with the
# shared Qt-aware main and registers its tests with CTest under "<prefix>.".
function(bramblet_add_test_executable name prefix)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  add_executable(${name} ${PROJECT_SOURCE_DIR}/Tests/Common/TestMain.cpp)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/Tests ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock Qt6::Widgets Qt6::Test)
  bramblet_configure_target(${name})
  gtest_discover_tests(${name}
    TEST_PREFIX "${prefix}."
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
endfunction()
