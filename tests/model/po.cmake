# The PO reader and writer, also against GNU gettext's msgfmt and msgcat.
tavimet_add_test(model_po_file_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/PoFileTest.cpp
  LIBS tavimet_po)
