# CMake 3.25 has no imported wxWidgets target: wrap what find_package reports in one
# INTERFACE target that only the GUI layers link.
find_package(wxWidgets 3.2 REQUIRED COMPONENTS webview core base)
add_library(corvane_wx INTERFACE)
target_include_directories(corvane_wx SYSTEM INTERFACE ${wxWidgets_INCLUDE_DIRS})
target_compile_definitions(corvane_wx INTERFACE ${wxWidgets_DEFINITIONS})
target_compile_options(corvane_wx INTERFACE ${wxWidgets_CXX_FLAGS})
target_link_libraries(corvane_wx INTERFACE ${wxWidgets_LIBRARIES})
