# The reliability suites: a model of the stopwatch driven beside the real window, a long run of
# the About window, and the real platform services with their faults (on Windows,
# tst_windows_platform).
velti_suite(tst_model)
if(NOT WIN32)
    # Linux only: they read /proc, set rlimits and start shell scripts.
    velti_suite(tst_soak)
    velti_suite(tst_faults)
endif()

# Closing is never lost: 30 rounds of the real program under Xvfb, each start, Alt+V, Alt+P,
# Alt+S and a close by WM_DELETE_WINDOW, ending within 3 s with status 0.
velti_missing(missing Xvfb xdotool python3)
if(NOT missing)
    add_test(NAME close_loop
        COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/system/close_loop.sh $<TARGET_FILE:velti> 30)
    set_tests_properties(close_loop PROPERTIES TIMEOUT 600)
else()
    message(STATUS "${missing} missing: close_loop is left out")
endif()
