# Helpers shared by the layers' CMake files.

# plinvar_layer(NAME SOURCES ... DEPS ...): a static library from an explicit source list, or
# an interface library while the layer has no sources yet. DEPS are the layers below it.
function(plinvar_layer name)
    cmake_parse_arguments(L "" "" "SOURCES;DEPS" ${ARGN})
    if(L_SOURCES)
        add_library(${name} STATIC ${L_SOURCES})
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} PUBLIC ${L_DEPS})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} INTERFACE ${L_DEPS})
    endif()
endfunction()

# plinvar_parts(VAR DIR PART ...): appends to VAR the sources that each DIR/PART/Sources.cmake
# lists (it appends to PART_SOURCES); parts without that file are skipped.
macro(plinvar_parts var dir)
    foreach(_part ${ARGN})
        if(EXISTS ${dir}/${_part}/Sources.cmake)
            set(PART_SOURCES)
            include(${dir}/${_part}/Sources.cmake)
            list(APPEND ${var} ${PART_SOURCES})
        endif()
    endforeach()
endmacro()

# plinvar_test_parts(DIR PART ...): add_subdirectory for each DIR/PART that has a CMakeLists.txt.
macro(plinvar_test_parts dir)
    foreach(_part ${ARGN})
        if(EXISTS ${dir}/${_part}/CMakeLists.txt)
            add_subdirectory(${_part})
        endif()
    endforeach()
endmacro()

# plinvar_test(NAME SOURCES ... LIBS ...): one GoogleTest binary whose cases CTest runs one by one.
function(plinvar_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/common/RuntimeCleanup.cpp)
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    gtest_discover_tests(${name}
        DISCOVERY_TIMEOUT 60
        PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}"
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()
