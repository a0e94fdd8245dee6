# The Linux program with its Qt window. Until the Qt window exists this
# builds the command-line program.
add_executable(animal-ids app/main_headless.cpp)
target_link_libraries(animal-ids PRIVATE animal_command_line animal_window_headless
  animal_ids_warnings)
install(TARGETS animal-ids RUNTIME DESTINATION bin)
