# Test support for the Windows builds: GoogleTest cross-compiled from
# Debian's sources, test programs run under Wine, and one Wine session (an Xvfb
# display and a fresh prefix) per test run, set up and torn down by ctest.
set(GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GoogleTest's own sources are not ours to keep warning-free.
target_compile_options(gtest PRIVATE -w)
target_compile_options(gtest_main PRIVATE -w)

# The i686 build's test programs are built only: win32vm/ runs them.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    function(kalmor_add_wine_test target)
        target_link_libraries(${target} PRIVATE gtest_main)
    endfunction()
    return()
endif()

set(WINE_SESSION_DIR ${CMAKE_BINARY_DIR}/wine)
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
# Every test program made from here on runs through the wrapper.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)

add_test(NAME wine_session_start
         COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/wine-session.sh start ${WINE_SESSION_DIR})
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine)
add_test(NAME wine_session_stop
         COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/wine-session.sh stop ${WINE_SESSION_DIR})
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine)

# Adds a GoogleTest program as one test, run under Wine in the session.
function(kalmor_add_wine_test target)
    target_link_libraries(${target} PRIVATE gtest_main)
    add_test(NAME ${target} COMMAND ${target}
             WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>)
    set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)
endfunction()
