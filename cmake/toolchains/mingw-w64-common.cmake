# Shared by the mingw-w64 toolchain files; ANIMAL_IDS_MINGW_TRIPLET names the target.
set(CMAKE_C_COMPILER ${ANIMAL_IDS_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ANIMAL_IDS_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ANIMAL_IDS_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ANIMAL_IDS_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# One file: the C and C++ runtimes and winpthread go into the executable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
