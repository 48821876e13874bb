# The panel's reader of outside text: its command line.
ovtb_add_fuzzer(command_line
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/command_line.cpp
  LIBS ovtb_panel_command_line)
