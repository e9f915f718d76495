# Included by CTest after the discovered tests: one window test at a time on the display,
# every one under the window manager.
if(gui_tests_TESTS)
  set_tests_properties(${gui_tests_TESTS} PROPERTIES RESOURCE_LOCK x_display
                                                     FIXTURES_REQUIRED window_manager)
endif()
