# The user interface layer: a modal dialog of ten controls and eight owner-drawn rows opened
# and closed headless (target: at most 1 ms), and the script parser. The Qt start-up time
# (process start to the first painted dialog, target at most 150 ms) is bench/ui_qt_start.sh.
ovtb_add_bench(ui_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ui_bench.cpp
  LIBS ovtb_ui_sample)
