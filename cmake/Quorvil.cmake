# Shared helpers: one static library per folder, and test registration.

# quorvil_folder_library(<target> LIBS <deps...>)
# Every .cpp/.h in the calling folder (not in sub-folders) forms the library.
function(quorvil_folder_library target)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    if(NOT sources)
        # An empty folder still yields a linkable target.
        set(sources ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
    endif()
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARG_LIBS})
endfunction()

# Every sub-folder with a CMakeLists.txt is added (tests/, tools/, bench/).
function(quorvil_add_subfolders)
    file(GLOB children LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*)
    list(SORT children)
    foreach(child ${children})
        if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
            add_subdirectory(${child})
        endif()
    endforeach()
endfunction()

# Tests never read or write the real settings of the user or the machine.
set(QUORVIL_TEST_SETTINGS_ENV
    "QUORVIL_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-tmp/settings-user;QUORVIL_SYSTEM_CONFIG=${CMAKE_BINARY_DIR}/test-tmp/settings-machine")

# Every test program, for the sanitizer builds (make test-asan builds only these), and those
# labelled tsan, for make test-tsan.
add_custom_target(all_tests)
add_custom_target(tsan_tests)

# Sanitizer settings for every test; builds without sanitizers ignore the variables. Reports
# from our code always fail the test: only the libraries' noise is suppressed, in
# tests/sanitizers/ (commented).
set(QUORVIL_ASAN_OPTIONS
    "detect_leaks=1:fast_unwind_on_malloc=0:malloc_context_size=10:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1:suppressions=${PROJECT_SOURCE_DIR}/tests/sanitizers/asan.supp")
set(QUORVIL_SANITIZER_ENV
    "ASAN_OPTIONS=${QUORVIL_ASAN_OPTIONS}"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/sanitizers/lsan.supp:print_suppressions=0"
    "TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=${PROJECT_SOURCE_DIR}/tests/sanitizers/tsan.supp")

# Registers a built test program with the sanitizer targets.
function(quorvil_register_test_program name labels libs)
    add_dependencies(all_tests ${name})
    # Qt WebEngine's own allocator frees some of its objects with another size than it made
    # them with; AddressSanitizer can only turn that check off for the whole program, so it is
    # off for the programs that may start the map page, and only for them (every other check
    # stays on there; our own code's deletes are also checked by -Wdelete-non-virtual-dtor).
    if(libs MATCHES "quorvil_app|quorvil_sensors_widgets|WebEngine")
        set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT
            "ASAN_OPTIONS=${QUORVIL_ASAN_OPTIONS}:new_delete_type_mismatch=0")
    endif()
    if("tsan" IN_LIST labels)
        add_dependencies(tsan_tests ${name})
    endif()
endfunction()

# quorvil_add_gtest(<name> SOURCES ... LIBS ... [LABELS ...])  non-GUI logic, GoogleTest
function(quorvil_add_gtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 600 LABELS "gtest;${ARG_LABELS}"
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QUORVIL_TEST_TMP=${CMAKE_BINARY_DIR}/test-tmp;${QUORVIL_TEST_SETTINGS_ENV};${QUORVIL_SANITIZER_ENV}")
    quorvil_register_test_program(${name} "${ARG_LABELS}" "${ARG_LIBS}")
endfunction()

# quorvil_add_qtest(<name> SOURCES ... LIBS ... [XVFB] [LABELS ...])  widgets, Qt Test
# Offscreen by default; XVFB runs the test under a real X server (xvfb-run).
function(quorvil_add_qtest name)
    cmake_parse_arguments(ARG "XVFB" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test Qt6::Widgets)
    if(ARG_XVFB)
        add_test(NAME ${name}
            COMMAND xvfb-run -a -s "-screen 0 1920x1080x24" $<TARGET_FILE:${name}>)
        set(env "QT_QPA_PLATFORM=xcb")
    else()
        add_test(NAME ${name} COMMAND ${name})
        set(env "QT_QPA_PLATFORM=offscreen")
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT 600 LABELS "qtest;${ARG_LABELS}"
        ENVIRONMENT "${env};QUORVIL_TEST_TMP=${CMAKE_BINARY_DIR}/test-tmp;${QUORVIL_TEST_SETTINGS_ENV};${QUORVIL_SANITIZER_ENV}")
    quorvil_register_test_program(${name} "${ARG_LABELS}" "${ARG_LIBS}")
endfunction()
