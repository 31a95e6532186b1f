# The field stream depends only on the shared text types; string tables plug in through
# IStreamStringTable, so the model and resource libraries can both use it.
add_library(tavimet_fieldstream STATIC ${CMAKE_CURRENT_LIST_DIR}/FieldStream.cpp)
target_include_directories(tavimet_fieldstream PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tavimet_fieldstream PUBLIC tavimet_common)
