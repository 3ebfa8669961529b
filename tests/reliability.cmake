# The reliability suites: a model of the stopwatch driven beside the real window, a long run of
# the About window, and faults in the platform and in handlers.
velti_suite(tst_model)
velti_suite(tst_soak)
velti_suite(tst_faults)
