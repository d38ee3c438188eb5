# The process's, the receive log's and the card text's Windows files, where they differ from Linux.
novard_test(windows_platform_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/WindowsPlatformTest.cpp
    LIBS novard_protocol novard_process Qt6::Test)
