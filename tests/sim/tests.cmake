qz_add_test_program(tests_sim LIBS qzsim TESTS
    tst_simreceiver
    # The qz-sim program itself, run as a child process.
    tst_qzsim
)
target_compile_definitions(tests_sim PRIVATE QZ_SIM_PATH="$<TARGET_FILE:qz-sim>")
add_dependencies(tests_sim qz-sim)
