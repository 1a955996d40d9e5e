# Evaluations: the conversion formula evaluator.
list(APPEND PART_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/EvalValue.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EvalOperations.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EvalTexts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EvalFunctions.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Evaluations.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ValuePlaceholder.cpp
)
