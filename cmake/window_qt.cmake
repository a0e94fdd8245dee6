# The Linux program's Qt 6 Widgets window, a program of its own that
# animal-ids starts; it has the command-line face too.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

add_library(animal_window_qt STATIC
  app/main_window_qt.cpp
  app/text_qt.cpp
  app/label_qt.cpp
  app/hyperlink_qt.cpp
  app/skin_qt.cpp
  app/window_program_qt.cpp)
target_link_libraries(animal_window_qt
  PUBLIC animal_command_line animal_catalogue animal_headless_controls Qt6::Widgets
  PRIVATE animal_ids_warnings)

# The program's icon: the drawn one in resources/, else the one in packaging/.
set(ANIMAL_IDS_ICON "")
foreach(candidate resources/animal-ids-48.png packaging/animal-ids.png)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${candidate})
    set(ANIMAL_IDS_ICON ${CMAKE_CURRENT_SOURCE_DIR}/${candidate})
    break()
  endif()
endforeach()

add_executable(animal-ids-window app/main_qt.cpp)
target_link_libraries(animal-ids-window PRIVATE animal_command_line animal_window_qt
  animal_ids_warnings)
if(ANIMAL_IDS_ICON)
  # The window shows the same icon as the desktop's menu.
  set_source_files_properties(${ANIMAL_IDS_ICON} PROPERTIES QT_RESOURCE_ALIAS animal-ids.png)
  qt_add_resources(animal-ids-window animal_ids_icon PREFIX /animal-ids
    FILES ${ANIMAL_IDS_ICON})
endif()

install(TARGETS animal-ids-window RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES packaging/animal-ids.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
if(ANIMAL_IDS_ICON)
  install(FILES ${ANIMAL_IDS_ICON} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps
    RENAME animal-ids.png)
endif()
