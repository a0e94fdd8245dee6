# Every way a catalogue server can misbehave, as the user meets it: through
# the window's fetch and through the program's command line.
add_executable(server_matrix_tests server_matrix_test.cpp)
target_compile_definitions(server_matrix_tests PRIVATE
  ANIMAL_IDS_PROGRAM="$<TARGET_FILE:animal-ids>")
target_link_libraries(server_matrix_tests PRIVATE animal_catalogue animal_window_headless
  animal_test_server animal_ids_warnings GTest::gtest_main)
add_dependencies(server_matrix_tests animal-ids)
animal_ids_add_tests(server_matrix_tests)
