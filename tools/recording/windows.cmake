# Devices that record every call, for the Windows replay tool.
add_library(recording STATIC ${CMAKE_CURRENT_LIST_DIR}/RecordingDevices.cpp)
target_link_libraries(recording PUBLIC gamecore)
target_include_directories(recording PUBLIC ${CMAKE_SOURCE_DIR})
