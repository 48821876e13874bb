# The PCI information driver's full scan over a dump file (target: at most 2 ms in process).
ovtb_add_bench(bench_pci_scan
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/pci_scan.cpp
  LIBS ovtb_pciinfo ovtb_pci ovtb_machine)
