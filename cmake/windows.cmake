# The Windows build: velti.exe as a GUI program, the Windows platform suite, and an NSIS
# installer that carries everything the program needs to run.
#
# Included from the top-level CMakeLists.txt once the velti target exists and before the
# packaging settings include CPack. Built by tools/windows/build.sh with a Qt cross-built by
# tools/windows/build-qt.sh, and checked under Wine by tests/windows/test.sh.
if(NOT WIN32)
    return()
endif()

# A GUI program: no console window opens beside it. MinGW's start-up code calls main() for a
# GUI program too, so Qt's WinMain (its entry point library, which wants main(argc, argv)) is
# not needed: the program takes no command line.
set_target_properties(velti PROPERTIES WIN32_EXECUTABLE ON qt_no_entrypoint ON)

# ---- What the installer puts beside velti.exe (in bin/).
# The plugins Qt loads at run time: the platform, the native style, and the .ico reader the
# program's pictures need.
set(velti_windows_plugins "")
foreach(plugin_dir IN ITEMS "platforms;QWindowsIntegrationPlugin" "styles;QWindowsVistaStylePlugin"
                            "imageformats;QICOPlugin")
    list(GET plugin_dir 0 dir)
    list(GET plugin_dir 1 plugin)
    if(TARGET Qt6::${plugin})
        install(FILES $<TARGET_FILE:Qt6::${plugin}> DESTINATION bin/${dir})
        list(APPEND velti_windows_plugins $<TARGET_FILE:Qt6::${plugin}>)
    else()
        message(WARNING "Qt has no ${plugin}: the installed program will lack it")
    endif()
endforeach()

# Qt's own words in Italian (the buttons of the message boxes), from the host's Qt of the same
# version; the program loads it from its own folder.
find_file(VELTI_QTBASE_IT qtbase_it.qm
    PATHS /usr/share/qt6/translations ${QT6_INSTALL_PREFIX}/translations NO_DEFAULT_PATH
    NO_CMAKE_FIND_ROOT_PATH)
if(VELTI_QTBASE_IT)
    install(FILES ${VELTI_QTBASE_IT} DESTINATION bin)
    # And beside the programs in the build tree, the suites among them.
    file(COPY ${VELTI_QTBASE_IT} DESTINATION ${PROJECT_BINARY_DIR})
    file(COPY ${VELTI_QTBASE_IT} DESTINATION ${PROJECT_BINARY_DIR}/tests)
else()
    message(WARNING "qtbase_it.qm not found (qt6-translations-l10n): Qt's buttons stay in English")
endif()

# Qt's licence and where its source comes from, as the LGPL asks; build-qt.sh leaves them in
# the Qt prefix.
install(DIRECTORY ${QT6_INSTALL_PREFIX}/share/doc/qt/ DESTINATION licences/Qt OPTIONAL)

# The runtime DLLs: read off the imports of the program and its plugins (objdump -p, followed
# recursively), and looked for in Qt's bin folder and the MinGW runtime folders. (CMake's own
# file(GET_RUNTIME_DEPENDENCIES) lowercases the names it reads from a PE file, and so finds
# nothing on a case-sensitive file system.)
set(velti_dll_dirs $<TARGET_FILE_DIR:Qt6::Core>)
foreach(runtime IN ITEMS libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                    OUTPUT_VARIABLE runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(runtime_dir "${runtime_path}" DIRECTORY)
    if(IS_ABSOLUTE "${runtime_dir}")
        list(APPEND velti_dll_dirs ${runtime_dir})
    endif()
endforeach()
list(REMOVE_DUPLICATES velti_dll_dirs)
find_program(VELTI_OBJDUMP NAMES ${CMAKE_OBJDUMP} x86_64-w64-mingw32-objdump REQUIRED)
set(velti_deploy_code [[
    # The DLLs the program and its plugins import, followed through what those import in turn:
    # found in the folders above (by name, whatever its case), or else the system's own.
    foreach(dir IN LISTS velti_dll_dirs)
        file(GLOB dlls "${dir}/*.dll")
        foreach(dll IN LISTS dlls)
            get_filename_component(name "${dll}" NAME)
            string(TOLOWER "${name}" key)
            if(NOT DEFINED "dll_${key}")
                set("dll_${key}" "${dll}")
            endif()
        endforeach()
    endforeach()
    set(queue ${velti_pe_files})
    set(seen "")
    set(found "")
    set(system "")
    while(queue)
        list(POP_FRONT queue file)
        execute_process(COMMAND "${velti_objdump}" -p "${file}"
                        OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
        if(failed)
            message(FATAL_ERROR "Cannot read the imports of ${file}")
        endif()
        string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${dump}")
        foreach(import IN LISTS imports)
            string(REPLACE "DLL Name: " "" name "${import}")
            string(TOLOWER "${name}" key)
            list(FIND seen "${key}" index)
            if(index EQUAL -1)
                list(APPEND seen "${key}")
                if(DEFINED "dll_${key}")
                    list(APPEND found "${dll_${key}}")
                    list(APPEND queue "${dll_${key}}")
                else()
                    list(APPEND system "${name}")
                endif()
            endif()
        endforeach()
    endwhile()
    message(STATUS "Runtime DLLs: ${found}")
    message(STATUS "Left to the system: ${system}")
    file(INSTALL ${found} DESTINATION "${CMAKE_INSTALL_PREFIX}/bin")
]])
install(CODE "set(velti_objdump \"${VELTI_OBJDUMP}\")
    set(velti_dll_dirs \"${velti_dll_dirs}\")
    set(velti_pe_files \"$<TARGET_FILE:velti>;${velti_windows_plugins}\")
    ${velti_deploy_code}")

# ---- The installer: velti-<version>-win64.exe, made by `cpack` (NSIS's makensis).
set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_FILE_NAME velti-${PROJECT_VERSION}-win64)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_DISPLAY_NAME Vantelsiro)
set(CPACK_NSIS_PACKAGE_NAME Vantelsiro)
# The Start-menu entry, named as the window is.
set(CPACK_PACKAGE_EXECUTABLES velti Vantelsiro)
set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\\\velti.exe")
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/src/resources/stopwatch.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/src/resources/stopwatch.ico)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# Lines for the head of the script CPack writes:
# - a 64-bit installer for a 64-bit program: NSIS makes 32-bit ones unless told, and those do
#   not run where only 64-bit programs can (a Wine without its 32-bit half);
# - CPack's uninstaller removes the program's key under Software\<vendor> but leaves the
#   vendor's own key behind, empty: a callback at the very end removes it too, unless another
#   program of ours still has a key there.
string(JOIN "\n" CPACK_NSIS_DEFINES
    "Target amd64-unicode"
    "Function un.onUninstSuccess"
    "  DeleteRegKey /ifempty SHCTX \\\"Software\\\\Laboratorio Velti\\\""
    "FunctionEnd")

# ---- The Windows platform suite, with its stand-in viewer; after the tests' own set-up, so
# that BUILD_TESTING is known.
function(velti_windows_tests)
    if(NOT BUILD_TESTING)
        return()
    endif()
    find_package(Qt6 REQUIRED COMPONENTS Test)
    add_executable(viewer_standin ${PROJECT_SOURCE_DIR}/tests/windows/viewer_standin.cpp)
    target_link_options(viewer_standin PRIVATE -static)
    add_executable(tst_windows_platform ${PROJECT_SOURCE_DIR}/tests/windows/tst_windows_platform.cpp)
    target_link_libraries(tst_windows_platform PRIVATE velti_platform Qt6::Test)
    add_dependencies(tst_windows_platform viewer_standin)
    add_test(NAME tst_windows_platform COMMAND tst_windows_platform)
    set_tests_properties(tst_windows_platform PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120 LABELS unit)
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL velti_windows_tests)
