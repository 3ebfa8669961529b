# The reliability suites: a model of the stopwatch driven beside the real window, a long run of
# the About window, and faults in the platform and in handlers.
velti_suite(tst_model)
velti_suite(tst_soak)
velti_suite(tst_faults)

# Closing is never lost: 30 rounds of the real program under Xvfb, each start, Alt+V, Alt+P,
# Alt+S and a close by WM_DELETE_WINDOW, ending within 3 s with status 0.
find_program(VELTI_XVFB Xvfb)
find_program(VELTI_XDOTOOL xdotool)
find_program(VELTI_PYTHON3_FOR_CLOSE python3)
if(VELTI_XVFB AND VELTI_XDOTOOL AND VELTI_PYTHON3_FOR_CLOSE)
    add_test(NAME close_loop
        COMMAND ${PROJECT_SOURCE_DIR}/tools/close_loop.sh $<TARGET_FILE:velti> 30)
    set_tests_properties(close_loop PROPERTIES TIMEOUT 600)
else()
    message(STATUS "Xvfb, xdotool or python3 missing: close_loop is left out")
endif()
