# Test support for the Windows builds: GoogleTest cross-compiled from Debian's
# sources; on x86_64, test programs run under Wine, in one Wine session (an
# Xvfb display and a fresh prefix) per test run, set up and torn down by ctest.
set(GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GoogleTest's own sources are not ours to keep warning-free.
target_compile_options(gtest PRIVATE -w)
target_compile_options(gtest_main PRIVATE -w)

# Adds a GoogleTest program; on x86_64 also as one test, run under Wine in the session.
function(kalmor_add_wine_test target)
    target_link_libraries(${target} PRIVATE gtest_main)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        add_test(NAME ${target} COMMAND ${target} WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>)
        set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)
    endif()
endfunction()

# On x86_64, runs the tests of a GoogleTest program that match a filter once
# more, in a Wine session of their own whose screen is at the given DPI.
function(kalmor_add_wine_test_at_dpi target dpi filter)
    if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
        return()
    endif()
    set(WINE_SESSION_DIR ${CMAKE_BINARY_DIR}/wine${dpi})
    configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run-${dpi}.sh
                   @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                   GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    add_test(NAME wine${dpi}_session_start COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/wine-session.sh
                                                   start ${WINE_SESSION_DIR} ${dpi})
    set_tests_properties(wine${dpi}_session_start PROPERTIES FIXTURES_SETUP wine${dpi})
    add_test(NAME wine${dpi}_session_stop COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/wine-session.sh
                                                  stop ${WINE_SESSION_DIR})
    set_tests_properties(wine${dpi}_session_stop PROPERTIES FIXTURES_CLEANUP wine${dpi})
    add_test(NAME ${target}_${dpi}dpi
             COMMAND ${CMAKE_BINARY_DIR}/wine-run-${dpi}.sh $<TARGET_FILE:${target}>
                     --gtest_filter=${filter}
             WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>)
    set_tests_properties(${target}_${dpi}dpi PROPERTIES FIXTURES_REQUIRED wine${dpi} TIMEOUT 300)
endfunction()

if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
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
