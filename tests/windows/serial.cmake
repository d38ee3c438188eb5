# The Windows serial line, cross-built as win_serial_tests.exe and run under Wine with COM1 linked
# to the Linux simulated reader's pseudo-terminal, which NOVARD_WINDOWS_COM1=simulated says (its
# tests skip, saying so, without it).
if(NOT TARGET GTest::gtest)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
add_executable(win_serial_tests ${CMAKE_CURRENT_LIST_DIR}/WinSerialTest.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/test_main.cpp)
target_include_directories(win_serial_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
target_link_libraries(win_serial_tests PRIVATE novard_serial Qt6::Test GTest::gtest)
