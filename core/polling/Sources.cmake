# The polling framework: server runtime, kernel tag calls, routing index, received values,
# imitator, command hand-over and polling threads.
list(APPEND PART_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/DeviceCommands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DeviceThread.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ImitatorVariables.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KernelTagApi.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PollingMessages.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReceiveVariables.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Routing.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ServerRuntime.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VariableIndex.cpp)
