# The editor's template as the real Win32 dialog, under Wine on a virtual X server when
# cross-built (Wine opens no window without a display).
if(TARGET tavimet_platform_win32ui)
  add_executable(tavimet_win32_window_tests ${CMAKE_CURRENT_LIST_DIR}/Win32WindowTest.cpp)
  target_link_libraries(tavimet_win32_window_tests PRIVATE tavimet_platform_win32ui
                        tavimet_resources user32 GTest::gtest GTest::gtest_main)
  target_include_directories(tavimet_win32_window_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME tavimet_win32_window_tests
             COMMAND ${CMAKE_CURRENT_LIST_DIR}/wine-x-run $<TARGET_FILE:tavimet_win32_window_tests>)
    set_tests_properties(tavimet_win32_window_tests PROPERTIES SKIP_RETURN_CODE 77)
  else()
    add_test(NAME tavimet_win32_window_tests COMMAND tavimet_win32_window_tests)
  endif()
endif()
