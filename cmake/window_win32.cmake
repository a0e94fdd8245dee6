# The Windows program: the Win32 window, its skin and hyperlink, the
# resources, and the command line, in one GUI-subsystem executable.
include(${CMAKE_CURRENT_LIST_DIR}/look_win32.cmake OPTIONAL)

add_library(animal_window_win32 STATIC app/main_window_win32.cpp)
target_link_libraries(animal_window_win32 PUBLIC animal_headless_controls animal_layout
  animal_catalogue user32 gdi32 PRIVATE animal_ids_warnings)
if(TARGET animal_look_win32)
  target_link_libraries(animal_window_win32 PUBLIC animal_look_win32)
endif()

add_executable(animal-ids WIN32 app/main_win32.cpp)
if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/resources/animal-ids.rc)
  target_sources(animal-ids PRIVATE resources/animal-ids.rc)
endif()
target_link_libraries(animal-ids PRIVATE animal_command_line animal_window_win32 shell32
  animal_ids_warnings)
install(TARGETS animal-ids RUNTIME DESTINATION bin)
