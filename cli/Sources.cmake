list(APPEND CLI_SOURCES Eval.cpp)
list(APPEND CLI_SOURCES BlockDump.cpp)
list(APPEND CLI_SOURCES Get.cpp)
list(APPEND CLI_SOURCES CheckConfig.cpp)
