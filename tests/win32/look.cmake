# The skinned look and the hyperlink on real Win32 controls. The resources
# come along for the hyperlink's hand cursor.
add_executable(look_tests
  ${CMAKE_CURRENT_LIST_DIR}/skin_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hyperlink_test.cpp
  ${PROJECT_SOURCE_DIR}/resources/animal-ids.rc)
target_link_libraries(look_tests PRIVATE animal_look_win32 animal_text animal_ids_warnings
  GTest::gtest_main)
animal_ids_add_tests(look_tests)
