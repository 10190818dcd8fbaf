# The product: Velmora.exe, a GUI program without the C runtime. It imports only the
# program's own functions and those of its start (tests/check-exe lists them all), each of
# which Windows 95 and NT 4.0 already have.
enable_language(RC)
enable_language(C)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(WINDOWS_NAME win64)
    set(ENTRY WinMainCRTStartup)
    set(HARDENING -Wl,--high-entropy-va)
    set(PROCESSOR "")              # every x86-64 processor has what the compiler uses
    # Microsoft's x64 ABI: every function that allocates stack or calls another has unwind data
    # (.pdata, .xdata), or Windows' unwinder takes it for a leaf and a fault's report goes wrong.
    set(UNWIND "")
else()
    set(WINDOWS_NAME win32)
    set(ENTRY _WinMainCRTStartup)  # cdecl decoration
    set(HARDENING -Wl,--no-seh)    # no handlers: nothing of the runtime is linked
    # Debian's compiler targets the Pentium Pro and emits cmov, which the Pentium MMX, the K6
    # and the first VIA C3 lack; Windows 98 SE itself needs no more than a 486DX. The assembler
    # is told too, so that it refuses what a 486 lacks.
    set(PROCESSOR -march=i486 -Wa,-march=i486)
    set(UNWIND -fno-asynchronous-unwind-tables)  # i686's are DWARF tables that nothing here reads
endif()

add_executable(Velmora WIN32 ${PROGRAM_SOURCES} ${RESOURCE_SCRIPT})
target_include_directories(Velmora PRIVATE ${PROGRAM_INCLUDES})
# No -ffreestanding: what keeps the C runtime out is -nodefaultlibs (and -fno-builtin), and
# GCC 14's intrinsics headers, which the x86_64 windows.h includes, declare their allocator
# only for a hosted compiler. With GCC 12 the bytes are the same either way.
target_compile_options(Velmora PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:${WARNINGS} ${PROCESSOR} ${UNWIND} -Os -fno-builtin -fno-exceptions -fno-rtti
                              -fno-ident>)
target_link_options(Velmora PRIVATE
    -nostartfiles -nodefaultlibs -s -Wl,-e,${ENTRY}
    # Hardened as a release binary, yet with the 4.0 version fields old loaders accept.
    -Wl,--dynamicbase -Wl,--nxcompat -Wl,--tsaware ${HARDENING}
    -Wl,--major-os-version,4 -Wl,--minor-os-version,0
    -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0
    # The same sources give the same bytes: no time stamp in the header.
    -Wl,--no-insert-timestamp)
target_link_libraries(Velmora PRIVATE kernel32 user32 advapi32)
set_source_files_properties(${RESOURCE_SCRIPT} PROPERTIES OBJECT_DEPENDS "${RESOURCE_DEPENDS}")

# What a release zip holds (scripts/release makes the zips): the exe, a README for Windows
# users and the licence, both texts with CRLF line endings for Notepad.
configure_file(docs/README.txt.in README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(LICENSE LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
install(TARGETS Velmora RUNTIME DESTINATION .)
install(FILES ${CMAKE_BINARY_DIR}/README.txt ${CMAKE_BINARY_DIR}/LICENSE.txt DESTINATION .)

# The end-to-end test driver: a console program that runs Velmora.exe under Wine and
# acts as its user. Test code, never shipped.
add_executable(velmora_driver tests/e2e/driver.cpp)
target_compile_options(velmora_driver PRIVATE ${WARNINGS} -O2)
target_link_options(velmora_driver PRIVATE -static)
# Velmora's dialog without Velmora: it never asks, and the driver must give up on it.
add_executable(never_asks WIN32 tests/e2e/never_asks.cpp ${RESOURCE_SCRIPT})
target_include_directories(never_asks PRIVATE ${PROGRAM_INCLUDES})
target_compile_options(never_asks PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${WARNINGS} -O2>)
target_link_options(never_asks PRIVATE -static)

# The registry sequence that hostwin's registry must answer exactly as Windows does.
add_executable(regdiff tests/regdiff/wine_main.cpp tests/regdiff/sequence.cpp)
target_include_directories(regdiff PRIVATE tests/regdiff)
target_compile_options(regdiff PRIVATE ${WARNINGS} -O2)
target_link_options(regdiff PRIVATE -static)

# The benchmark's measure of the platform's list box (bench/run prints it).
add_executable(bench_listbox bench/listbox.cpp)
target_compile_options(bench_listbox PRIVATE ${WARNINGS} -O2)
target_link_options(bench_listbox PRIVATE -static)

# A uxtheme.dll that the end-to-end rehearsal plants beside Velmora.exe: it marks that it was
# loaded and refuses to stay. No C runtime, so DllMain is the entry itself.
add_library(planted_uxtheme MODULE tests/e2e/planted_uxtheme.c)
# In a folder of its own: beside the exes it would be planted in every test run.
set_target_properties(planted_uxtheme PROPERTIES PREFIX "" OUTPUT_NAME uxtheme SUFFIX .dll
                      LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/planted)
target_compile_options(planted_uxtheme PRIVATE ${WARNINGS} -Os)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    target_link_options(planted_uxtheme PRIVATE -nostdlib -Wl,-e,DllMainCRTStartup)
else()
    target_link_options(planted_uxtheme PRIVATE -nostdlib -Wl,-e,_DllMainCRTStartup@12)
endif()
target_link_libraries(planted_uxtheme PRIVATE kernel32)
