add_library(nimbrel_store STATIC ${CMAKE_CURRENT_LIST_DIR}/SettingsStore.cpp)
target_link_libraries(nimbrel_store PUBLIC nimbrel_misc nimbrel_datetime)
