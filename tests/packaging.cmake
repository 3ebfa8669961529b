# The checks of what ships: the Windows resources, the installed desktop files and icons,
# and the Debian package. Each is left out, with a note, when its tools are missing; all
# carry the label "package", so a sanitizer build can skip them (ctest --label-exclude).

set(VELTI_PACKAGING_TESTS ${CMAKE_CURRENT_LIST_DIR}/packaging)

# velti.rc, compiled by the MinGW resource compiler and read back.
velti_missing(missing x86_64-w64-mingw32-windres python3)
if(NOT missing)
    add_test(NAME windows_resources
        COMMAND ${VELTI_PACKAGING_TESTS}/windows_resources.sh ${VELTI_TOOL_x86_64_w64_mingw32_windres}
                ${PROJECT_SOURCE_DIR}/src/resources/velti.rc ${PROJECT_BINARY_DIR}/generated)
    set_tests_properties(windows_resources PROPERTIES TIMEOUT 60 LABELS package)
else()
    message(STATUS "${missing} missing: windows_resources is left out")
endif()

# `cmake --install` into a scratch prefix: desktop entry, metainfo and icons.
set(velti_install_tools python3 desktop-file-validate appstreamcli)
velti_missing(missing ${velti_install_tools})
if(NOT missing)
    add_test(NAME desktop_install
        COMMAND ${VELTI_TOOL_python3} ${VELTI_PACKAGING_TESTS}/check_install.py
                --build ${PROJECT_BINARY_DIR} --source ${PROJECT_SOURCE_DIR}
                --version ${PROJECT_VERSION} --cmake ${CMAKE_COMMAND})
    set_tests_properties(desktop_install PROPERTIES TIMEOUT 120 LABELS package)
else()
    message(STATUS "${missing} missing: desktop_install is left out")
endif()

# The .deb made by cpack: its fields and contents, what lintian says of it, and its program run
# under Xvfb.
velti_missing(missing ${velti_install_tools} dpkg dpkg-deb dpkg-shlibdeps objdump readelf ldd file
              lintian man Xvfb xdotool xprop)
if(NOT missing)
    add_test(NAME debian_package
        COMMAND ${VELTI_PACKAGING_TESTS}/check_deb.sh ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR}
                ${PROJECT_VERSION} ${CMAKE_CPACK_COMMAND})
    # cpack installs and strips the program again, dpkg-shlibdeps reads it, then it runs.
    set_tests_properties(debian_package PROPERTIES TIMEOUT 300 LABELS package)
else()
    message(STATUS "${missing} missing: debian_package is left out")
endif()
