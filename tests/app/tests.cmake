# The qz-remote program itself, run as a child process, and its memory-file tools.
qz_add_test_program(tests_app LIBS qzsim qzmemorytools Qt6::Network TESTS
    tst_commandline
    tst_memorytools
)
target_include_directories(tests_app PRIVATE ${PROJECT_SOURCE_DIR}/app)
target_compile_definitions(tests_app PRIVATE
    QZ_REMOTE_PATH="$<TARGET_FILE:qz-remote>" QZ_VERSION="${PROJECT_VERSION}"
    QZ_CHIRP_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data/chirp"
    QZ_EXAMPLE_MEMORY_FILE="${PROJECT_SOURCE_DIR}/examples/QZMemory.txt"
    QZ_REMOTE_PROGRAM="$<TARGET_FILE:qz-remote>")
add_dependencies(tests_app qz-remote)
