# Run by cpack once it has written the zips: rewrites each reproducibly.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    execute_process(COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/normalize-zip.py ${package}
                    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
