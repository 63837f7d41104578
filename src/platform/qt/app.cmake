# The program's Qt side: control hosting, pop-up menus, message boxes, the
# tray, signals, the command line and the process's set-up.
target_sources(nimbrel_qt PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CommandLine.cpp ${CMAKE_CURRENT_LIST_DIR}/CommandLine.h
  ${CMAKE_CURRENT_LIST_DIR}/PopupMenu.cpp ${CMAKE_CURRENT_LIST_DIR}/PopupMenu.h
  ${CMAKE_CURRENT_LIST_DIR}/QtMessageBox.cpp ${CMAKE_CURRENT_LIST_DIR}/QtMessageBox.h
  ${CMAKE_CURRENT_LIST_DIR}/modSysTray.cpp ${CMAKE_CURRENT_LIST_DIR}/modSysTray.h
  ${CMAKE_CURRENT_LIST_DIR}/SignalWatch.cpp ${CMAKE_CURRENT_LIST_DIR}/SignalWatch.h
  ${CMAKE_CURRENT_LIST_DIR}/Process.cpp ${CMAKE_CURRENT_LIST_DIR}/Process.h
  ${CMAKE_CURRENT_LIST_DIR}/WindowHints.cpp ${CMAKE_CURRENT_LIST_DIR}/WindowHints.h)
# The main window's hints to the window manager are written through X11
# directly where its client library is there; without it Qt's hints stand.
pkg_check_modules(XCB IMPORTED_TARGET xcb)
if(XCB_FOUND)
  target_link_libraries(nimbrel_qt PRIVATE PkgConfig::XCB)
  set_property(SOURCE ${CMAKE_CURRENT_LIST_DIR}/WindowHints.cpp APPEND PROPERTY COMPILE_DEFINITIONS NIMBREL_HAVE_XCB)
endif()
set_property(SOURCE ${CMAKE_CURRENT_LIST_DIR}/CommandLine.cpp APPEND PROPERTY COMPILE_DEFINITIONS
             NIMBREL_VERSION="${PROJECT_VERSION}")
# Hosting the user controls needs the controls' interface.
if(TARGET nimbrel_controls)
  target_sources(nimbrel_qt PRIVATE ${CMAKE_CURRENT_LIST_DIR}/ControlWidget.cpp ${CMAKE_CURRENT_LIST_DIR}/ControlWidget.h)
  target_link_libraries(nimbrel_qt PUBLIC nimbrel_controls)
endif()
