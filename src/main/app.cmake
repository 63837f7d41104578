# The program itself: the main window and the executable that runs it. It
# needs every layer below it; until they are all part of the build it is
# left out rather than failing to link.
foreach(_layer nimbrel_misc nimbrel_store nimbrel_feeds nimbrel_chartdata nimbrel_controls)
  if(NOT TARGET ${_layer})
    message(STATUS "nimbrel: ${_layer} is not built yet; the program is left out")
    return()
  endif()
endforeach()
set(CMAKE_AUTOMOC ON)
add_library(nimbrel_app STATIC ${CMAKE_CURRENT_LIST_DIR}/frmMain.cpp ${CMAKE_CURRENT_LIST_DIR}/frmMain.h)
target_link_libraries(nimbrel_app PUBLIC nimbrel_feeds nimbrel_store nimbrel_chartdata nimbrel_controls nimbrel_graph
                                         nimbrel_qt nimbrel_misc nimbrel_datetime Qt6::Widgets Threads::Threads)
# The graph window's "Capture" command is plugged in where it is built.
target_link_libraries(nimbrel_app PUBLIC $<$<TARGET_EXISTS:nimbrel_graphcapture>:nimbrel_graphcapture>)
target_compile_definitions(nimbrel_app PRIVATE $<$<TARGET_EXISTS:nimbrel_graphcapture>:NIMBREL_HAVE_CAPTURE>)
add_executable(nimbrel ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(nimbrel PRIVATE nimbrel_app)
install(TARGETS nimbrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/share/applications/nimbrel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/share/icons/hicolor/scalable/apps/nimbrel.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/share/autostart/nimbrel-tray.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/nimbrel/autostart)
