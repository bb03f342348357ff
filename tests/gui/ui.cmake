# The forms layer: twips, colours, fonts, caption colours, focus entry, message box, program end,
# fatal path and timer seam.
dipsheet_gui_test(tst_ui SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_ui.cpp LIBS dipsheet_ui)
