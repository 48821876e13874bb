# The panel's reader of outside text: its command line.
ovtb_add_fuzzer(command_line
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/command_line.cpp
  LIBS ovtb_panel_command_line)

# The addresses typed into the board property dialog.
ovtb_add_fuzzer(hex_address
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/hex_address.cpp ${CMAKE_SOURCE_DIR}/panel/address_text.cpp)
