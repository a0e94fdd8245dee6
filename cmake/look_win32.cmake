# The skinned look and the hyperlink of the Win32 window.
add_library(animal_look_win32 STATIC app/skin_win32.cpp app/hyperlink_win32.cpp)
target_link_libraries(animal_look_win32 PUBLIC animal_layout user32 gdi32 shell32 advapi32
  PRIVATE animal_ids_warnings)
