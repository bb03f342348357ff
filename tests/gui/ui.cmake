# The forms layer: twips, colours, fonts, focus entry, message box, program end, fatal path,
# timer seam and window registry.
dipsheet_gui_test(tst_ui SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_ui.cpp LIBS dipsheet_ui)
