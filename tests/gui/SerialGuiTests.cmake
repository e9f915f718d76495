# Included by CTest after the discovered tests: one window test at a time on the display.
if(gui_tests_TESTS)
  set_tests_properties(${gui_tests_TESTS} PROPERTIES RESOURCE_LOCK x_display)
endif()
