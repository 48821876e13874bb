# The user interface layer's reader of outside text: the scripted user's line format. Each
# script that parses is also run against the sample dialog (headless), so that the runner sees
# every command with every argument.
ovtb_add_fuzzer(ui_script
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ui_script.cpp
  LIBS ovtb_ui_sample)
