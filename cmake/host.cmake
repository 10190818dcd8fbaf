# The host build: the program's sources against hostwin, and the unit tests, under
# AddressSanitizer and UBSan.
find_package(GTest REQUIRED)
find_program(WINDRES NAMES i686-w64-mingw32-windres REQUIRED)

set(SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(${WARNINGS} ${SANITIZERS} -g)
add_link_options(${SANITIZERS})

add_library(hostwin STATIC
    hostwin/registry.cpp
    hostwin/window.cpp
    hostwin/format.cpp
    hostwin/resfile.cpp
    hostwin/process.cpp)
target_include_directories(hostwin PUBLIC ${CMAKE_SOURCE_DIR}/hostwin)

# hostwin's windows.h comes first, so no line of the program differs from the product.
add_library(program STATIC ${PROGRAM_SOURCES})
target_include_directories(program BEFORE PUBLIC ${CMAKE_SOURCE_DIR}/hostwin)
target_include_directories(program PUBLIC ${PROGRAM_INCLUDES})
target_compile_options(program PRIVATE -fno-exceptions -fno-rtti)
target_link_libraries(program PUBLIC hostwin)

# The compiled resources, for the template checks and for hostwin's dialogs.
set(RESOURCE_FILE ${CMAKE_BINARY_DIR}/velmora.res)
add_custom_command(OUTPUT ${RESOURCE_FILE}
    COMMAND ${WINDRES} -I ${CMAKE_SOURCE_DIR}/app -i ${RESOURCE_SCRIPT} -O res -o ${RESOURCE_FILE}
    DEPENDS ${RESOURCE_DEPENDS}
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/app
    VERBATIM)
add_custom_target(resources ALL DEPENDS ${RESOURCE_FILE})

file(GLOB TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*_test.cpp)
add_executable(unit_tests ${TEST_SOURCES})
add_dependencies(unit_tests resources)
target_include_directories(unit_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_compile_definitions(unit_tests PRIVATE VELMORA_RES="${RESOURCE_FILE}")
target_link_libraries(unit_tests PRIVATE program GTest::gtest GTest::gtest_main)

enable_testing()
include(GoogleTest)
gtest_discover_tests(unit_tests DISCOVERY_TIMEOUT 60)

# The same registry sequence against hostwin, for the comparison with Wine.
add_executable(regdiff_host tests/regdiff/host_main.cpp tests/regdiff/sequence.cpp)
target_include_directories(regdiff_host PRIVATE ${CMAKE_SOURCE_DIR}/tests/regdiff)
target_link_libraries(regdiff_host PRIVATE hostwin)

# The benchmark's count of registry calls per subkey (bench/run prints it).
add_executable(bench_calls bench/calls.cpp)
target_link_libraries(bench_calls PRIVATE program)
