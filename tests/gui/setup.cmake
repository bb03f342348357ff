# The chart set-up: chart options panel and dimension panels.
dipsheet_gui_test(tst_chartoptionspanel
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_chartoptionspanel.cpp ${CMAKE_CURRENT_LIST_DIR}/setup_testing.h
  LIBS dipsheet_setup)
dipsheet_gui_test(tst_dimensionpanels
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_dimensionpanels.cpp ${CMAKE_CURRENT_LIST_DIR}/setup_testing.h
  LIBS dipsheet_setup)
