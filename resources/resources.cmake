# The pictures, the tray icon data and the README text, compiled into the program.
# A static library of its own whose object is linked whole, so the resources
# register themselves at start-up.
qt_add_resources(nimbulux_resource_sources ${CMAKE_CURRENT_LIST_DIR}/resources.qrc)
add_library(nimbulux_resources OBJECT ${nimbulux_resource_sources})
target_link_libraries(nimbulux_resources PRIVATE Qt6::Core)

install(FILES ${CMAKE_CURRENT_LIST_DIR}/nimbulux.desktop DESTINATION share/applications)
