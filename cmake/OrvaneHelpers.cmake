# orv_layer_includes(<target> <folder> <source-dir>)
# Gives a layer's target the include path of its own folder and of nothing else: a folder in the
# build tree that holds one link, <folder> -> <source-dir>, so that "<folder>/x.h" is found and
# no other layer's headers are. The path is PUBLIC: targets that link the layer see it too, and a
# target sees exactly the layers it links.
function(orv_layer_includes target folder source_dir)
    set(root ${CMAKE_BINARY_DIR}/layers/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${source_dir} ${root}/${folder} SYMBOLIC)
    target_include_directories(${target} PUBLIC ${root})
endfunction()

# orv_add_layer(<target> <folder> SOURCES <files...> [DEPENDS <targets...>])
# The library of one layer under src/: its include path is its own folder's, and it builds on
# (and sees) only the layers it depends on.
function(orv_add_layer target folder)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_library(${target} STATIC ${ARG_SOURCES})
    orv_layer_includes(${target} ${folder} ${PROJECT_SOURCE_DIR}/src/${folder})
    if(ARG_DEPENDS)
        target_link_libraries(${target} PUBLIC ${ARG_DEPENDS})
    endif()
endfunction()

# orv_add_test_suite(<name> SOURCES <files...> LIBS <targets...> [GUI] [RESOURCE_LOCK <lock>])
# One GoogleTest executable per subsystem; every test case becomes its own CTest test, labelled
# with the suite's name (and holding the lock while it runs, if one is named). Every suite has the shared test support (tests/support). GUI suites run
# on the Qt backend under its offscreen platform, with the support's main, which fails a test
# that makes Qt print a warning. Tests find the programs they start (rundll, helpers) beside
# themselves in bin/.
function(orv_add_test_suite name)
    cmake_parse_arguments(ARG "GUI" "RESOURCE_LOCK" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} orv_test_support GTest::gtest GTest::gmock
                                          Threads::Threads)
    if(ARG_GUI)
        target_link_libraries(${name} PRIVATE orv_test_support_gui)
    else()
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
    endif()
    set(lock)
    if(ARG_RESOURCE_LOCK)
        set(lock RESOURCE_LOCK ${ARG_RESOURCE_LOCK})
    endif()
    include(GoogleTest)
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120 LABELS ${name} ${lock})
endfunction()

# orv_add_scaled_run(<suite> <scale> <gtest filter>)
# The suite's tests that match the filter once more, as one CTest test, on a screen scaled by a
# whole factor (QT_SCALE_FACTOR): every pixel of a control is then scale x scale pixels of its
# window.
function(orv_add_scaled_run suite scale filter)
    add_test(NAME ${suite}.scale${scale} COMMAND ${suite} --gtest_filter=${filter})
    set_tests_properties(${suite}.scale${scale} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_SCALE_FACTOR=${scale}" TIMEOUT 300
        LABELS ${suite})
endfunction()

# orv_add_fuzz_target(<name> SOURCES <files...> LIBS <targets...>)
# A fuzz target (fuzz/<folder>/, with its seed corpus in corpus/). With ORV_FUZZ, a libFuzzer
# program (the whole build is then instrumented for coverage and sanitized). Otherwise, the same
# target as a plain program with a main that replays the files it is given, registered as the
# test fuzz_corpus_<name>, which replays the seed corpus.
function(orv_add_fuzz_target name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    if(ORV_FUZZ)
        add_executable(${name} ${ARG_SOURCES})
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    else()
        add_executable(${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
        add_test(NAME fuzz_corpus_${name} COMMAND ${name} ${CMAKE_CURRENT_SOURCE_DIR}/corpus)
        set_tests_properties(fuzz_corpus_${name} PROPERTIES LABELS fuzz_corpus TIMEOUT 300)
    endif()
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
endfunction()

# orv_add_subfolders()
# Adds every folder below the current one that has a CMakeLists.txt: one program (a tool, a
# benchmark, a fuzz target) per folder.
function(orv_add_subfolders)
    file(GLOB dirs LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
    foreach(dir ${dirs})
        if(IS_DIRECTORY ${dir} AND EXISTS ${dir}/CMakeLists.txt)
            add_subdirectory(${dir})
        endif()
    endforeach()
endfunction()
