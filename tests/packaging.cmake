# The checks of what ships: the Windows resources, the installed desktop files and icons,
# and the Debian package. Each is left out, with a note, when its tools are missing; all
# carry the label "package", so a sanitizer build can skip them (ctest --label-exclude).

set(VELTI_PACKAGING_TESTS ${CMAKE_CURRENT_LIST_DIR}/packaging)
find_program(VELTI_PYTHON3 python3)

# velti.rc, compiled by the MinGW resource compiler and read back.
find_program(VELTI_WINDRES x86_64-w64-mingw32-windres)
if(VELTI_WINDRES AND VELTI_PYTHON3)
    add_test(NAME windows_resources
        COMMAND ${VELTI_PACKAGING_TESTS}/windows_resources.sh ${VELTI_WINDRES}
                ${PROJECT_SOURCE_DIR}/app/resources/velti.rc ${PROJECT_BINARY_DIR}/generated)
    set_tests_properties(windows_resources PROPERTIES TIMEOUT 60 LABELS package)
else()
    message(STATUS "x86_64-w64-mingw32-windres or python3 missing: windows_resources is left out")
endif()

# `cmake --install` into a scratch prefix: desktop entry, metainfo and icons.
find_program(VELTI_DESKTOP_FILE_VALIDATE desktop-file-validate)
find_program(VELTI_APPSTREAMCLI appstreamcli)
if(VELTI_PYTHON3 AND VELTI_DESKTOP_FILE_VALIDATE AND VELTI_APPSTREAMCLI)
    add_test(NAME desktop_install
        COMMAND ${VELTI_PYTHON3} ${VELTI_PACKAGING_TESTS}/check_install.py
                --build ${PROJECT_BINARY_DIR} --source ${PROJECT_SOURCE_DIR}
                --version ${PROJECT_VERSION} --cmake ${CMAKE_COMMAND})
    set_tests_properties(desktop_install PROPERTIES TIMEOUT 120 LABELS package)
else()
    message(STATUS "python3, desktop-file-validate or appstreamcli missing: "
                   "desktop_install is left out")
endif()

# The .deb made by cpack: its fields and contents, what lintian says of it, and its program run
# under Xvfb.
set(velti_deb_tools dpkg dpkg-deb dpkg-shlibdeps objdump readelf ldd file lintian man Xvfb xdotool xprop)
set(velti_deb_missing "")
foreach(tool IN LISTS velti_deb_tools)
    string(MAKE_C_IDENTIFIER "VELTI_TOOL_${tool}" variable)
    find_program(${variable} ${tool})
    if(NOT ${variable})
        list(APPEND velti_deb_missing ${tool})
    endif()
endforeach()
if(VELTI_PYTHON3 AND VELTI_DESKTOP_FILE_VALIDATE AND VELTI_APPSTREAMCLI AND NOT velti_deb_missing)
    add_test(NAME debian_package
        COMMAND ${VELTI_PACKAGING_TESTS}/check_deb.sh ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR}
                ${PROJECT_VERSION} ${CMAKE_CPACK_COMMAND})
    # cpack installs and strips the program again, dpkg-shlibdeps reads it, then it runs.
    set_tests_properties(debian_package PROPERTIES TIMEOUT 300 LABELS package)
else()
    message(STATUS "tools for the package check missing (${velti_deb_missing}): "
                   "debian_package is left out")
endif()
