# quello_add_test(<name> LABEL <unit|dns|ui|desktop> SOURCES <files...>
#                 [LIBRARIES <targets...>] [ENVIRONMENT <VAR=value...>]
#                 [TIMEOUT <seconds>])
#
# One Qt Test binary per unit; the CTest label says what the test needs.
function(quello_add_test name)
    cmake_parse_arguments(arg "" "LABEL;TIMEOUT" "SOURCES;LIBRARIES;ENVIRONMENT" ${ARGN})
    if(NOT arg_LABEL)
        message(FATAL_ERROR "quello_add_test(${name}): LABEL is required")
    endif()
    add_executable(${name} ${arg_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test quello_warnings ${arg_LIBRARIES})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    add_test(NAME ${name} COMMAND ${name})
    if(NOT arg_TIMEOUT)
        set(arg_TIMEOUT 120)
    endif()
    set(env QT_QPA_PLATFORM=offscreen QT_FORCE_STDERR_LOGGING=1 ${arg_ENVIRONMENT})
    set_tests_properties(${name} PROPERTIES
        LABELS ${arg_LABEL}
        TIMEOUT ${arg_TIMEOUT}
        ENVIRONMENT "${env}")
endfunction()
