# The SPD wizard: pages, synthesis and command line without a window, and the
# dialog on the offscreen platform.
add_executable(tessaro_wizard_tests wizard_pages_test.cpp wizard_synthesis_test.cpp testsupport.cpp)
target_link_libraries(tessaro_wizard_tests PRIVATE tessaro_wizard tessaro_files GTest::gtest_main Qt6::Core)
target_compile_definitions(tessaro_wizard_tests PRIVATE
  TESSARO_CORPUS_DIR="${TESSARO_CORPUS_DIR}"
  TESSARO_CLI="$<TARGET_FILE:tessaro-cli>")
add_dependencies(tessaro_wizard_tests tessaro-cli)
gtest_discover_tests(tessaro_wizard_tests DISCOVERY_TIMEOUT 60)

if(TESSARO_BUILD_APP)
  tessaro_ui_tests(tessaro_wizard_ui_tests wizard_dialog_test.cpp)
endif()
