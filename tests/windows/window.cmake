# The window as novard-demo.exe shows it, on Windows' own platform (under Wine and Xvfb for the
# checks): on COM1, the Linux simulated reader's pseudo-terminal, and on the program's own
# simulated reader, as with --demo.
add_executable(win_window_tests ${CMAKE_CURRENT_LIST_DIR}/WinWindowTest.cpp)
target_include_directories(win_window_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
target_link_libraries(win_window_tests PRIVATE novard_app novard_window novard_language
    novard_serial Qt6::Test GTest::gtest)
