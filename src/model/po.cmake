# Gettext PO catalogues: the program's own reader and writer.
add_library(tavimet_po STATIC ${CMAKE_CURRENT_LIST_DIR}/PoFile.cpp)
target_include_directories(tavimet_po PUBLIC ${PROJECT_SOURCE_DIR}/src)
