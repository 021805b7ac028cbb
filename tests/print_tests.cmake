# The SPD report: item lists without a window; drawing, printers, the print
# command and the command line on the offscreen platform.
add_executable(tessaro_print_tests report_layout_test.cpp module_report_test.cpp testsupport.cpp)
target_link_libraries(tessaro_print_tests PRIVATE tessaro_report tessaro_decode GTest::gtest_main Qt6::Core)
target_compile_definitions(tessaro_print_tests PRIVATE
  TESSARO_CORPUS_DIR="${TESSARO_CORPUS_DIR}"
  TESSARO_CLI="$<TARGET_FILE:tessaro-cli>")
gtest_discover_tests(tessaro_print_tests DISCOVERY_TIMEOUT 60)

if(TESSARO_BUILD_APP)
  tessaro_ui_tests(tessaro_print_window_tests report_render_test.cpp print_command_test.cpp testsupport.cpp)
  add_dependencies(tessaro_print_window_tests tessaro-cli)
  target_compile_definitions(tessaro_print_window_tests PRIVATE
    TESSARO_PDF_MODULE="$<TARGET_FILE:tessaro-report-pdf>"
    TESSARO_PDF_MODULE_DIR="$<TARGET_PROPERTY:tessaro-report-pdf,INSTALL_FROM_BINDIR>")
endif()
