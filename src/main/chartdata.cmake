# The history chart's data: selection of a time frame and the chart's grid,
# free of any toolkit. It reads the history lists of the settings store.
add_library(nimbrel_chartdata STATIC ${CMAKE_CURRENT_LIST_DIR}/WeatherGraph.cpp ${CMAKE_CURRENT_LIST_DIR}/WeatherGraph.h)
target_link_libraries(nimbrel_chartdata PUBLIC nimbrel_misc nimbrel_datetime)
if(TARGET nimbrel_store)
  target_link_libraries(nimbrel_chartdata PUBLIC nimbrel_store)
endif()
