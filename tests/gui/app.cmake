# The desktop program: start-up, main window and its panels, the chart window, the print preview.
foreach(suite tst_startup tst_orientationpanel tst_clientpanel tst_headingpanel tst_chartwindow tst_faults tst_hostile
        tst_printpreview tst_history)
  dipsheet_gui_test(${suite}
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/${suite}.cpp ${CMAKE_CURRENT_LIST_DIR}/app_testing.h
    LIBS dipsheet_app)
endforeach()
# The machine's printers are hidden behind a print server that does not exist, so that the
# preview lays out on the same device everywhere and no test can reach paper.
foreach(suite tst_printpreview tst_faults)
  set_property(TEST ${suite} APPEND PROPERTY ENVIRONMENT
    "CUPS_SERVER=/nonexistent/dipsheet-test-cups.sock")
endforeach()
# The picture beside the chart window's grid, on its own.
dipsheet_gui_test(tst_chartpicture
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_chartpicture.cpp LIBS dipsheet_app)
# A desk of an office's server, against a real PostgreSQL server the test starts.
dipsheet_gui_test(tst_desk
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_desk.cpp ${CMAKE_CURRENT_LIST_DIR}/app_testing.h
  LIBS dipsheet_app dipsheet_test_pg)
