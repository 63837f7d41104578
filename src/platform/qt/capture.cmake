# Window capture: the look of a window copied into a picture for the encoder.
# It draws through the gdi layer, so it joins the Qt library only once that
# layer is part of the build.
if(TARGET nimbrel_gdi)
  target_sources(nimbrel_qt PRIVATE ${CMAKE_CURRENT_LIST_DIR}/modCapture.cpp ${CMAKE_CURRENT_LIST_DIR}/modCapture.h)
  target_link_libraries(nimbrel_qt PUBLIC nimbrel_gdi)
endif()
