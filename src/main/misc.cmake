add_library(nimbrel_misc STATIC ${CMAKE_CURRENT_LIST_DIR}/modMisc.cpp ${CMAKE_CURRENT_LIST_DIR}/TextFile.cpp)
target_link_libraries(nimbrel_misc PUBLIC nimbrel_datetime)
