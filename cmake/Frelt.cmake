# Helpers that let a folder become a library or a test program as soon as it
# holds code, without a CMakeLists.txt per folder.

function(frelt_link_existing target)
  foreach(dep IN LISTS ARGN)
    if(TARGET ${dep} OR dep MATCHES "::")
      target_link_libraries(${target} PUBLIC ${dep})
    endif()
  endforeach()
endfunction()

# frelt_library(name dir... [EXCLUDE file...] [DEPS dep...])
function(frelt_library name)
  cmake_parse_arguments(ARG "" "" "EXCLUDE;DEPS" ${ARGN})
  set(sources "")
  foreach(dir IN LISTS ARG_UNPARSED_ARGUMENTS)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  foreach(ex IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${PROJECT_SOURCE_DIR}/${ex})
  endforeach()
  if(NOT sources)
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  frelt_link_existing(${name} ${ARG_DEPS})
endfunction()

# frelt_test(name dir [X11] [LABELS l...] [DEPS dep...] [LAUNCHER cmd...]
# [ENVIRONMENT VAR=value...]): one GoogleTest program per folder, registered
# with ctest as one test so sanitizer start-up is paid once. A launcher runs
# the program (a private session bus, say); the environment is set before
# the program starts. With X11 the program runs on a private X server of its
# own (xvfb-run), where its X11 tests may grab keys, type and switch layouts;
# without xvfb-run those tests skip. The server must not reset when a test's
# last connection closes, or the next test would find no server for a moment.
find_program(XVFB_RUN xvfb-run)
function(frelt_test name dir)
  cmake_parse_arguments(ARG "X11" "" "LABELS;DEPS;LAUNCHER;ENVIRONMENT" ${ARGN})
  file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
  if(NOT found)
    return()
  endif()
  add_executable(${name} ${found})
  frelt_link_existing(${name} frelt_testsupport ${ARG_DEPS})
  target_link_libraries(${name} PUBLIC GTest::gtest GTest::gmock)
  target_precompile_headers(${name} REUSE_FROM frelt_testsupport)
  # Tests that read the tree find it here (__FILE__ may be relative under ccache).
  target_compile_definitions(${name} PRIVATE FRELT_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  # GLib's slice allocator passes blocks between threads through magazines
  # of its own, which the thread sanitizer cannot see into (GLib is not
  # built with it) and reports as races; plain malloc it follows.
  set(environment "G_SLICE=always-malloc;ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp;TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1")
  list(APPEND environment ${ARG_ENVIRONMENT})
  if(ARG_X11 AND XVFB_RUN)
    add_test(NAME ${name} COMMAND ${XVFB_RUN} -a -s "-screen 0 1024x768x24 -nolisten tcp -noreset"
      ${ARG_LAUNCHER} $<TARGET_FILE:${name}> --gtest_brief=1)
    list(APPEND environment "FRELT_TEST_X_SERVER=1")
  else()
    add_test(NAME ${name} COMMAND ${ARG_LAUNCHER} $<TARGET_FILE:${name}> --gtest_brief=1)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}" ENVIRONMENT "${environment}")
endfunction()
