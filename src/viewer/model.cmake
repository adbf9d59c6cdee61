# The viewer's file model: page cache, line finding, hex rows and searches. Core layer (no widgets).
hy_core_library(hy_viewer_model
  ${CMAKE_CURRENT_LIST_DIR}/HvFileModel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HvModelIo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HvModelScan.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HvModelScanAvx2.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HvPageCache.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HvTextSearch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HvEncoding.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HvTextLayout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HvRangeWriter.cpp
)
target_link_libraries(hy_viewer_model PUBLIC hy_platform)
# The AVX2 kernels are only called after the processor was checked at run time.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|AMD64|amd64")
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/HvModelScanAvx2.cpp
    PROPERTIES COMPILE_OPTIONS "-mavx2;-mpopcnt;-mbmi;-mlzcnt")
else()
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/HvModelScanAvx2.cpp PROPERTIES HEADER_FILE_ONLY ON)
endif()
target_link_libraries(hycore INTERFACE hy_viewer_model)
