# The product: Velmora.exe, a GUI program with the static runtime, importing only
# KERNEL32, USER32, ADVAPI32 and msvcrt.
enable_language(RC)

add_executable(Velmora WIN32 ${PROGRAM_SOURCES} ${RESOURCE_SCRIPT})
target_include_directories(Velmora PRIVATE ${PROGRAM_INCLUDES})
target_compile_options(Velmora PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:${WARNINGS} -Os -fno-exceptions -fno-rtti>)
target_link_options(Velmora PRIVATE -static -s)
set_source_files_properties(${RESOURCE_SCRIPT} PROPERTIES OBJECT_DEPENDS "${RESOURCE_DEPENDS}")

# The end-to-end test driver: a console program that runs Velmora.exe under Wine and
# acts as its user. Test code, never shipped.
add_executable(velmora_driver tests/e2e/driver.cpp)
target_compile_options(velmora_driver PRIVATE ${WARNINGS} -O2)
target_link_options(velmora_driver PRIVATE -static)

# The registry sequence that hostwin's registry must answer exactly as Windows does.
add_executable(regdiff tests/regdiff/wine_main.cpp tests/regdiff/sequence.cpp)
target_include_directories(regdiff PRIVATE tests/regdiff)
target_compile_options(regdiff PRIVATE ${WARNINGS} -O2)
target_link_options(regdiff PRIVATE -static)

# The benchmark's measure of the platform's list box (bench/run prints it).
add_executable(bench_listbox bench/listbox.cpp)
target_compile_options(bench_listbox PRIVATE ${WARNINGS} -O2)
target_link_options(bench_listbox PRIVATE -static)
