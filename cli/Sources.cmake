list(APPEND CLI_SOURCES Eval.cpp)
