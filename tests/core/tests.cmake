qz_add_test_program(tests_core LIBS qzcore TESTS
    tst_leadingnumber
    tst_frequencyformat
    tst_steptable
    tst_bandplan
    tst_keypad
    tst_directentry
    tst_memoryfile
    tst_recall
    tst_bankscan
    tst_memorycheck
    tst_chirpcsv
    tst_sweep
    tst_bankedit
)
target_compile_definitions(tests_core PRIVATE
    QZ_CHIRP_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data/chirp"
    QZ_EXAMPLE_MEMORY_FILE="${PROJECT_SOURCE_DIR}/examples/QZMemory.txt")
