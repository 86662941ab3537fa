# GoogleTest is built from Debian's sources with the same compiler and flags
# as our code, so one framework serves the native and the MinGW build.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)

# vellumark_add_test(<name> SOURCES <files...> [LIBS <libs...>] [GUI] [TLS] [PROXY])
# One test program is one CTest test: under Wine every process start costs
# seconds, so all cases of a program run in one process. A TLS program runs
# through tests/support/run-tls-tests, which starts its TLS servers. A PROXY
# program gets the TLS servers too, and within them the proxies of
# tests/support/run-proxy-tests.
function(vellumark_add_test name)
  cmake_parse_arguments(ARG "GUI;TLS;PROXY" "" "SOURCES;LIBS;LABELS" ${ARGN})
  set(proxies)
  if(ARG_PROXY)
    set(ARG_TLS ON)
    set(proxies ${PROJECT_SOURCE_DIR}/tests/support/run-proxy-tests)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE vellumark_core GTest::gtest GTest::gmock GTest::gtest_main ${ARG_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  vellumark_warnings(${name})
  if(ARG_GUI AND WIN32)
    # Windows GUI tests: Wine with a private virtual display. They share the
    # wineserver's clipboard, so they never run side by side.
    add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/scripts/with-xvfb
             ${PROJECT_SOURCE_DIR}/scripts/wine-gui-run $<TARGET_FILE:${name}>)
    # A Build reads the user's proxy settings, which proxy_tests sets for a
    # moment.
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "gui_clipboard;system_proxy")
  elseif(ARG_TLS AND WIN32)
    # Under Wine, in a private mount namespace whose system bundle holds the
    # test root: Wine's crypt32 builds the Root store from that file in each
    # process, so the root is trusted by this program alone.
    add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/tests/support/run-tls-tests $<TARGET_FILE:${name}>
             ${proxies} ${PROJECT_SOURCE_DIR}/tests/support/with-test-root ${PROJECT_SOURCE_DIR}/scripts/wine-run)
  elseif(ARG_TLS)
    add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/tests/support/run-tls-tests $<TARGET_FILE:${name}> ${proxies})
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()
