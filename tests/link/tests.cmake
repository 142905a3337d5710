qz_add_test_program(tests_link LIBS qzlink qzsim TESTS
    tst_replyparser
    tst_commandlink
    tst_receiversession
    tst_rigctlprotocol
    tst_ports
    tst_bandsweep
    tst_linepacer
)
