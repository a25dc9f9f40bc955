# quello_add_test(<name> LABEL <unit|dns|ui|desktop> SOURCES <files...>
#                 [LIBRARIES <targets...>] [ENVIRONMENT <VAR=value...>]
#                 [TIMEOUT <seconds>] [WRAPPER <command...>])
#
# One Qt Test binary per unit; the CTest label says what the test needs.
function(quello_add_test name)
    cmake_parse_arguments(arg "" "LABEL;TIMEOUT" "SOURCES;LIBRARIES;ENVIRONMENT;WRAPPER" ${ARGN})
    if(NOT arg_LABEL)
        message(FATAL_ERROR "quello_add_test(${name}): LABEL is required")
    endif()
    add_executable(${name} ${arg_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test quello_warnings ${arg_LIBRARIES})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    # The fake dig's script, for tests that run a store or a query on it.
    target_compile_definitions(${name} PRIVATE
        FAKEDIG_PATH="${PROJECT_SOURCE_DIR}/tests/support/fakedig")
    # WRAPPER: a command the test runs under (such as a lab of its own).
    add_test(NAME ${name} COMMAND ${arg_WRAPPER} $<TARGET_FILE:${name}>)
    if(NOT arg_TIMEOUT)
        set(arg_TIMEOUT 120)
    endif()
    set(env QT_QPA_PLATFORM=offscreen QT_FORCE_STDERR_LOGGING=1 LANG=C.UTF-8 TZ=UTC
        ${arg_ENVIRONMENT})
    # What the host's desktop sets reaches no test, also one run without
    # tests/session/desktop-session; a test may still set any of it.
    set(host_settings)
    foreach(variable IN LISTS QUELLO_HOST_DESKTOP_VARIABLES)
        if(NOT "${arg_ENVIRONMENT}" MATCHES "(^|;)${variable}=")
            list(APPEND host_settings ${variable}=unset:)
        endif()
    endforeach()
    set_tests_properties(${name} PROPERTIES
        LABELS ${arg_LABEL}
        TIMEOUT ${arg_TIMEOUT}
        ENVIRONMENT "${env}"
        ENVIRONMENT_MODIFICATION "${host_settings}")
endfunction()

# Host variables that change what a Qt test sees: its locale and languages,
# the desktop Qt adapts to (platform theme, style, icon theme), scaling and
# DPI, input methods, logging rules, the accessibility bus and the session
# manager.
set(QUELLO_HOST_DESKTOP_VARIABLES
    LC_ALL LC_CTYPE LC_MESSAGES LC_NUMERIC LC_TIME LC_COLLATE LC_MONETARY LANGUAGE
    XDG_CURRENT_DESKTOP XDG_SESSION_DESKTOP XDG_SESSION_TYPE DESKTOP_SESSION
    KDE_FULL_SESSION KDE_SESSION_VERSION GNOME_DESKTOP_SESSION_ID
    QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS
    QT_ENABLE_HIGHDPI_SCALING QT_SCALE_FACTOR_ROUNDING_POLICY QT_FONT_DPI QT_USE_PHYSICAL_DPI
    QT_IM_MODULE QT_IM_MODULES XMODIFIERS QT_LOGGING_RULES QT_MESSAGE_PATTERN
    QT_PLUGIN_PATH QT_QPA_PLATFORM_PLUGIN_PATH QT_ACCESSIBILITY QT_LINUX_ACCESSIBILITY_ALWAYS_ON
    AT_SPI_BUS_ADDRESS SESSION_MANAGER)
