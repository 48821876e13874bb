# The PCI layer's readers of outside text: pci.dump files (our reader against libpci's), and
# the device paths that CreateFileA takes.
ovtb_add_fuzzer(pci_dump
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/pci_dump.cpp
  LIBS ovtb_pci)
ovtb_add_fuzzer(device_path
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/device_path.cpp
  LIBS ovtb_services)
