# Cross-builds the Windows program for x86_64 with mingw-w64 (POSIX threads
# variant, for std::thread), linked statically so that only system DLLs remain.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ANIMAL_IDS_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
