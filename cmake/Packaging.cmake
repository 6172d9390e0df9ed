# The download for Windows users: one zip per architecture made by cpack
# (tools/package.sh runs it), holding the folder kalmor-example-VERSION-ARCH/
# with the program, KALMOR.DLL, README.txt and the component reference when
# docs/ has one.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(KALMOR_PACKAGE_ARCH win64)
else()
    set(KALMOR_PACKAGE_ARCH win32)
endif()

set(packaged ${CMAKE_BINARY_DIR}/README.txt)
set(KALMOR_PACKAGE_REFERENCE "")
if(EXISTS ${PROJECT_SOURCE_DIR}/docs/component.md)
    list(APPEND packaged ${PROJECT_SOURCE_DIR}/docs/component.md)
    # A line of its own, CR LF like the rest, ending README.txt's first paragraph.
    set(KALMOR_PACKAGE_REFERENCE
        "\r\ncomponent.md, beside this file, describes KALMOR.DLL for programs that use it.")
endif()

# README.txt with Windows line ends, so that Notepad on every Windows shows it.
configure_file(${CMAKE_CURRENT_LIST_DIR}/package-README.txt.in ${CMAKE_BINARY_DIR}/README.txt
               @ONLY NEWLINE_STYLE CRLF)
install(FILES ${packaged} DESTINATION .)
# The binaries without their debug sections (those of the statically linked
# runtime make up more than half of each file); cpack strips what it installs.
install(TARGETS kalmor-example kalmor RUNTIME DESTINATION .)
set(CPACK_STRIP_FILES TRUE)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME kalmor-example)
set(CPACK_PACKAGE_VENDOR Kalmor)
set(CPACK_PACKAGE_FILE_NAME kalmor-example-${PROJECT_VERSION}-${KALMOR_PACKAGE_ARCH})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# The zip as written has the files' times, owners and directory order in it;
# rewritten, the same files always give the same bytes.
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/normalize-zip.cmake)
include(CPack)
