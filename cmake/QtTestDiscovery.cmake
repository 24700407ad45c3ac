# add_qt_test_functions(TARGET ENVIRONMENT...): each test function of a Qt Test
# executable a CTest test of its own, named TARGET.function, as GoogleTest's
# cases are, so a failure names the function. The functions are listed by the
# executable itself (-functions) once it is built; ENVIRONMENT goes to each test.
function(add_qt_test_functions target)
    set(tests_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_functions.cmake)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E env ${ARGN}
                ${CMAKE_COMMAND} -D EXECUTABLE=$<TARGET_FILE:${target}> -D NAME=${target}
                -D "ENVIRONMENT=${ARGN}" -D OUTPUT=${tests_file}
                -P ${PROJECT_SOURCE_DIR}/cmake/QtTestDiscovery.cmake
        BYPRODUCTS ${tests_file}
        COMMENT "Listing the test functions of ${target}")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${tests_file})
endfunction()

# Run as a script: writes the tests of EXECUTABLE's functions to OUTPUT.
if(CMAKE_SCRIPT_MODE_FILE AND EXECUTABLE)
    execute_process(COMMAND ${EXECUTABLE} -functions OUTPUT_VARIABLE listed
        RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${EXECUTABLE} -functions failed: ${status}")
    endif()
    string(REGEX MATCHALL "[A-Za-z_][A-Za-z0-9_]*\\(\\)" functions "${listed}")
    set(text "")
    foreach(function IN LISTS functions)
        string(REPLACE "()" "" function "${function}")
        string(APPEND text "add_test([=[${NAME}.${function}]=] [==[${EXECUTABLE}]==] ${function})\n"
            "set_tests_properties([=[${NAME}.${function}]=] PROPERTIES ENVIRONMENT [==[${ENVIRONMENT}]==] TIMEOUT 120)\n")
    endforeach()
    file(WRITE ${OUTPUT} "${text}")
endif()
