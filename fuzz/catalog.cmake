# The catalog's record decoders: the 60-byte "Settings" records, the board setting record, the
# co-installer's record and the block, and the PCI information reply.
ovtb_add_fuzzer(settings_record
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/settings_record.cpp
  LIBS ovtb_catalog)
ovtb_add_fuzzer(board_setting_record
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/board_setting_record.cpp
  LIBS ovtb_catalog)
ovtb_add_fuzzer(pci_info_reply
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/pci_info_reply.cpp
  LIBS ovtb_catalog)
