# The batch's pipe read by a thread of its own on Windows; with novard-cli's classes, once they build.
if(TARGET novard_cli)
    novard_test(windows_batch_input_tests
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/BatchInputWindowsTest.cpp
        LIBS novard_cli Qt6::Test)
endif()
