# The desktop program: start-up, main window and its panels, the chart window.
foreach(suite tst_startup tst_form1 tst_frmclient tst_frmcustomer tst_frmcapacity tst_faults tst_hostile)
  dipsheet_gui_test(${suite}
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/${suite}.cpp ${CMAKE_CURRENT_LIST_DIR}/app_testing.h
    LIBS dipsheet_app)
endforeach()
