# The product: Velmora.exe, a GUI program with the static runtime, importing only
# KERNEL32, USER32, ADVAPI32 and msvcrt.
enable_language(RC)

add_executable(Velmora WIN32 ${PROGRAM_SOURCES} ${RESOURCE_SCRIPT})
target_include_directories(Velmora PRIVATE ${PROGRAM_INCLUDES})
target_compile_options(Velmora PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:${WARNINGS} -Os -fno-exceptions -fno-rtti>)
target_link_options(Velmora PRIVATE -static -s)
set_source_files_properties(${RESOURCE_SCRIPT} PROPERTIES OBJECT_DEPENDS "${RESOURCE_DEPENDS}")
