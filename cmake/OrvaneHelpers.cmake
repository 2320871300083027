# orv_add_test_suite(<name> SOURCES <files...> LIBS <targets...> [GUI])
# One GoogleTest executable per subsystem; every test case becomes its own CTest test.
# GUI suites run under Qt's offscreen platform and use the toolkit's test main, which fails a
# test that makes Qt print a warning.
function(orv_add_test_suite name)
    cmake_parse_arguments(ARG "GUI" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock Threads::Threads)
    if(ARG_GUI)
        target_link_libraries(${name} PRIVATE orv_test_gui_main)
    else()
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
    endif()
    include(GoogleTest)
    # Tests find the programs they start (rundll, helpers) beside themselves in bin/, and the
    # source tree through this definition.
    target_compile_definitions(${name} PRIVATE ORVANE_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120 LABELS ${name})
endfunction()
