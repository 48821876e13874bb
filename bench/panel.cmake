# The panel: start-up to the main dialog shown, headless, with the driver's reply given (the
# query of the PCI information driver is timed by its own benchmark).
ovtb_add_bench(panel_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/panel_startup.cpp
  LIBS ovtb_panel)
