# Feed retrieval and both feed parsers; no window toolkit, so the fuzz build
# has them too.
add_library(nimbrel_feeds STATIC
  ${CMAKE_CURRENT_LIST_DIR}/FeedText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FeedRetrieval.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ObservationFeed.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ForecastFeed.cpp)
target_include_directories(nimbrel_feeds PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(nimbrel_feeds PUBLIC nimbrel_store nimbrel_misc nimbrel_datetime nimbrel_http)
