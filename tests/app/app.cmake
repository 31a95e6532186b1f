if(TARGET tavimet_app AND TARGET tavimet_sample)
  tavimet_add_test(tavimet_app_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/EditorDialogTest.cpp ${CMAKE_CURRENT_LIST_DIR}/EditorAppTest.cpp
    LIBS tavimet_app tavimet_sample)
endif()
