# vorlantix_add_test(NAME name SOURCES a.cpp ... LIBS lib ...)
# Builds one QtTest executable and registers it with CTest, on the offscreen platform so that
# window tests run without a display.
function(vorlantix_add_test)
    cmake_parse_arguments(ARG "" "NAME" "SOURCES;LIBS" ${ARGN})
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    vorlantix_target_defaults(${ARG_NAME})
    target_link_libraries(${ARG_NAME} PRIVATE Qt6::Test ${ARG_LIBS})
    add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME})
    set_tests_properties(${ARG_NAME} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
        LABELS "unit")
endfunction()
