# Pin-map pictures: the panel rules and the package and connector data without
# a window; the drawings and the panels on the offscreen platform.
add_executable(tessaro_pinmap_tests pinmap_panels_test.cpp drampackages_test.cpp moduleedges_test.cpp)
target_link_libraries(tessaro_pinmap_tests PRIVATE tessaro_pinmap GTest::gtest_main)
gtest_discover_tests(tessaro_pinmap_tests DISCOVERY_TIMEOUT 60)

if(TESSARO_BUILD_APP)
  tessaro_ui_tests(tessaro_pinmap_window_tests pinmap_window_test.cpp drampackageart_test.cpp moduleedgeart_test.cpp)
endif()
