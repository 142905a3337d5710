# tst_ports opens devices with Qt Serial Port itself, as the module does.
qz_add_test_program(tests_link LIBS qzlink qzsim Qt6::SerialPort TESTS
    tst_replyparser
    tst_commandlink
    tst_receiversession
    tst_rigctlprotocol
    tst_ports
    tst_bandsweep
    tst_linepacer
)
