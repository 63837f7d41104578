# The "Capture" command of the graph window: the window copied into its
# picture buffer and saved through the program's encoder. The graph window
# offers the command as a hook; the program plugs this in.
if(TARGET nimbrel_graph AND TARGET nimbrel_jpeg AND TARGET nimbrel_misc AND TARGET nimbrel_datetime)
  add_library(nimbrel_graphcapture STATIC ${CMAKE_CURRENT_LIST_DIR}/GraphCapture.cpp
                                          ${CMAKE_CURRENT_LIST_DIR}/GraphCapture.h)
  target_link_libraries(nimbrel_graphcapture PUBLIC nimbrel_graph nimbrel_qt nimbrel_gdi nimbrel_jpeg nimbrel_misc
                                                    nimbrel_datetime Qt6::Widgets)
  if(TARGET nimbrel_app)
    target_link_libraries(nimbrel_app PUBLIC nimbrel_graphcapture)
  endif()
endif()
