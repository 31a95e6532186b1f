# The user-interface layer on Win32: the system's own modal dialog and message boxes.
if(WIN32)
  add_library(tavimet_platform_win32ui STATIC ${CMAKE_CURRENT_LIST_DIR}/Win32Dialog.cpp)
  target_link_libraries(tavimet_platform_win32ui PUBLIC tavimet_platform_ui
                        PRIVATE comctl32 comdlg32 gdi32 user32)
endif()
