# The Windows programs: the stub, and the helpers of the end-to-end tests.
enable_language(RC)

set(STUB_GENERATED_DIR "" CACHE PATH
  "Folder holding installer.ico and texts_packed.cpp (made by the host build)")
if(NOT STUB_GENERATED_DIR)
  message(FATAL_ERROR "STUB_GENERATED_DIR is not set; build through the host build")
endif()

# ssinst for Windows, once the stub exists to be built in: the host's
# sources, linked statically so that it runs on a bare Windows.
set(EMBEDDED_STUB_SOURCE "" CACHE FILEPATH "The source holding the stub for ssinst.exe")
if(EMBEDDED_STUB_SOURCE)
  # The authoring library and what it reads installers with, as both
  # front ends build it.
  set(AUTHORING_WINDOWS_SOURCES
    authoring/printable.cpp authoring/uninstaller_check.cpp
    authoring/installer_writer.cpp authoring/installer_reader.cpp authoring/installer_names.cpp authoring/extraction.cpp authoring/project_build.cpp authoring/program_check.cpp authoring/files.cpp authoring/packer.cpp authoring/pe_image.cpp authoring/xml.cpp
    authoring/project.cpp authoring/sha256.cpp authoring/load_stub.cpp ${EMBEDDED_STUB_SOURCE}
    platform/win32/win32_host_files.cpp
    base/text.cpp base/checksum.cpp lzhuf/decoder.cpp lzhuf/tree.cpp
    payload/locator.cpp payload/validate.cpp payload/contents.cpp payload/payload.cpp payload/removal.cpp
    install/names.cpp install/targets.cpp install/extract.cpp install/register.cpp install/outcome.cpp
    install/session.cpp res/texts.cpp ${STUB_GENERATED_DIR}/texts_packed.cpp)
  add_executable(ssinst ssinst/ssinst.cpp ssinst/command_line.cpp ${AUTHORING_WINDOWS_SOURCES})
  target_include_directories(ssinst PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(ssinst PRIVATE SSINST_VERSION="${PROJECT_VERSION}" _FILE_OFFSET_BITS=64)
  target_compile_options(ssinst PRIVATE -O2 -Wall -Wextra)
  target_link_options(ssinst PRIVATE -municode -static -static-libgcc -static-libstdc++ -s -Wl,--no-insert-timestamp)
  # ssinstw: the same library in a window; one file, needing no DLL beyond
  # Windows' own.
  add_executable(ssinstw WIN32 ssinstw/ssinstw.cpp ssinstw/window_logic.cpp ssinstw/ssinstw.rc ${AUTHORING_WINDOWS_SOURCES})
  target_include_directories(ssinstw PRIVATE ${CMAKE_SOURCE_DIR})
  set_property(SOURCE ssinstw/ssinstw.rc APPEND PROPERTY COMPILE_OPTIONS -I${CMAKE_SOURCE_DIR}/ssinstw -I${STUB_GENERATED_DIR})
  set_property(SOURCE ssinstw/ssinstw.rc APPEND PROPERTY OBJECT_DEPENDS
    ${CMAKE_SOURCE_DIR}/ssinstw/ids.h ${CMAKE_SOURCE_DIR}/ssinstw/ssinstw.manifest ${STUB_GENERATED_DIR}/installer.ico)
  target_compile_definitions(ssinstw PRIVATE UNICODE _UNICODE _FILE_OFFSET_BITS=64)
  target_compile_options(ssinstw PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-O2 -Wall -Wextra>)
  target_link_options(ssinstw PRIVATE -municode -static -static-libgcc -static-libstdc++ -s -Wl,--no-insert-timestamp)
  target_link_libraries(ssinstw PRIVATE comctl32 comdlg32 shell32 advapi32 user32 gdi32)
  return()
endif()

# The stub: no C runtime at all, no exceptions, no RTTI, no unwind tables,
# no relocations, no symbols; its own entry point calls ExitProcess. Its C++
# is compiled by clang for the same mingw-w64 target, and the whole program
# is optimised as one for size (internal but for the entry point): LLVM's
# x86 code for size is the smaller by about a tenth here, which is what lets
# the stub carry its uninstaller within 20 KB. mingw-w64's linker, import
# libraries and resource compiler lay it out as before.
find_program(STUB_CLANG NAMES clang++-14 clang++ REQUIRED)
find_program(STUB_LLVM_LINK NAMES llvm-link-14 llvm-link HINTS /usr/lib/llvm-14/bin REQUIRED)
find_program(STUB_OPT NAMES opt-14 opt HINTS /usr/lib/llvm-14/bin REQUIRED)
find_program(STUB_LLC NAMES llc-14 llc HINTS /usr/lib/llvm-14/bin REQUIRED)
set(STUB_DIR ${CMAKE_BINARY_DIR}/stub)
file(MAKE_DIRECTORY ${STUB_DIR})
# One platform: the seam's calls go straight to the Win32 side. The codec in
# its compact form, which the host tests too (lzhuf_small_tests).
set(STUB_FLAGS --target=i686-w64-mingw32 -Oz -flto -std=c++17 -Wall -Wextra -fno-exceptions -fno-rtti
  -fno-asynchronous-unwind-tables -fno-threadsafe-statics -fomit-frame-pointer -mno-stack-arg-probe
  -DPLATFORM_DIRECT -DLZHUF_SMALL -I${CMAKE_SOURCE_DIR})
# The folder the stub's sources include from, for the dependency scan of
# IMPLICIT_DEPENDS too: without it a changed header rebuilds nothing, and
# the stub is linked from objects that disagree on a struct's layout.
include_directories(${CMAKE_SOURCE_DIR})
set(STUB_BITCODE)
foreach(src base/text.cpp base/checksum.cpp lzhuf/decoder.cpp lzhuf/tree.cpp res/texts.cpp ${STUB_GENERATED_DIR}/texts_packed.cpp
    payload/locator.cpp payload/validate.cpp payload/contents.cpp payload/payload.cpp payload/removal.cpp
    install/names.cpp install/targets.cpp install/outcome.cpp install/register.cpp install/extract.cpp install/install.cpp
    install/removal.cpp install/session.cpp checks/checks.cpp app/installer.cpp app/main.cpp
    platform/win32/win32_platform.cpp platform/win32/win32_removal.cpp)
  get_filename_component(path ${src} ABSOLUTE BASE_DIR ${CMAKE_SOURCE_DIR})
  file(RELATIVE_PATH name ${CMAKE_SOURCE_DIR} ${path})
  string(REGEX REPLACE "[/.]" "_" name ${name})
  add_custom_command(OUTPUT ${STUB_DIR}/${name}.bc
    COMMAND ${STUB_CLANG} ${STUB_FLAGS} -c ${path} -o ${STUB_DIR}/${name}.bc
    DEPENDS ${path} IMPLICIT_DEPENDS CXX ${path} VERBATIM)
  list(APPEND STUB_BITCODE ${STUB_DIR}/${name}.bc)
endforeach()
add_custom_command(OUTPUT ${STUB_DIR}/stub.o
  COMMAND ${STUB_LLVM_LINK} ${STUB_BITCODE} -o ${STUB_DIR}/linked.bc
  COMMAND ${STUB_OPT} -Oz --internalize-public-api-list=StubEntry -internalize -globaldce
          ${STUB_DIR}/linked.bc -o ${STUB_DIR}/internal.bc
  COMMAND ${STUB_OPT} -Oz ${STUB_DIR}/internal.bc -o ${STUB_DIR}/optimised.bc
  COMMAND ${STUB_LLC} -O2 -filetype=obj -mtriple=i686-w64-mingw32 -function-sections -data-sections
          ${STUB_DIR}/optimised.bc -o ${STUB_DIR}/stub.o
  DEPENDS ${STUB_BITCODE} VERBATIM)
# Two of the stub's frames are larger than a page (its fixed path areas).
# Its whole stack, 1 MiB, is committed when the process starts (the header's
# commit equals its reserve; StubLayout holds that), so no page of it is a
# guard page to be touched in order, and no frame needs the stack probe
# (-mno-stack-arg-probe above), whose routine and calls cost 56 bytes.
# The memory functions a compiler may call for a fill or copy of its own,
# compiled apart so that neither is turned into a call to itself.
add_custom_command(OUTPUT ${STUB_DIR}/memory.o
  COMMAND ${STUB_CLANG} --target=i686-w64-mingw32 -Oz -ffreestanding -fno-builtin -Wall -Wextra
          -c ${CMAKE_SOURCE_DIR}/platform/win32/win32_memory.cpp -o ${STUB_DIR}/memory.o
  DEPENDS ${CMAKE_SOURCE_DIR}/platform/win32/win32_memory.cpp VERBATIM)
set_source_files_properties(${STUB_DIR}/stub.o ${STUB_DIR}/memory.o PROPERTIES EXTERNAL_OBJECT TRUE GENERATED TRUE)

set(CMAKE_CXX_STANDARD_LIBRARIES "")
add_executable(ssstub-raw WIN32 res/stub.rc ${STUB_DIR}/stub.o ${STUB_DIR}/memory.o)
set_target_properties(ssstub-raw PROPERTIES LINKER_LANGUAGE CXX)
set_property(SOURCE res/stub.rc APPEND PROPERTY COMPILE_OPTIONS
  -I${CMAKE_SOURCE_DIR}/res -I${STUB_GENERATED_DIR})
set_property(SOURCE res/stub.rc APPEND PROPERTY OBJECT_DEPENDS
  ${STUB_GENERATED_DIR}/installer.ico ${CMAKE_SOURCE_DIR}/res/ids.h ${CMAKE_SOURCE_DIR}/res/manifest.xml)
target_link_options(ssstub-raw PRIVATE -nostartfiles -nostdlib -e _StubEntry -s
  -Wl,-T,${CMAKE_SOURCE_DIR}/res/stub.ld
  -Wl,--gc-sections,--disable-dynamicbase,--disable-reloc-section,--tsaware,--no-insert-timestamp
  "SHELL:-Xlinker --stack=0x100000,0x100000")
target_link_libraries(ssstub-raw PRIVATE kernel32 user32 gdi32 advapi32 gcc)
set_property(TARGET ssstub-raw APPEND PROPERTY LINK_DEPENDS ${CMAKE_SOURCE_DIR}/res/stub.ld)

# End-to-end helpers: they may use the whole runtime, linked in statically.
foreach(helper winhelper testscr faultcode exitcode)
  add_executable(${helper} WIN32 tests/e2e/${helper}.cpp)
  target_compile_options(${helper} PRIVATE -O2 -Wall -Wextra)
  target_link_options(${helper} PRIVATE -static -static-libgcc -static-libstdc++ -s)
  target_link_libraries(${helper} PRIVATE kernel32 user32 gdi32)
endforeach()
set_target_properties(winhelper faultcode exitcode PROPERTIES WIN32_EXECUTABLE OFF)  # console programs
set_target_properties(testscr PROPERTIES SUFFIX ".scr")
# The stub's library probe alone, without its safe search paths.
add_executable(loadcheck tests/e2e/loadcheck.cpp platform/win32/win32_platform.cpp base/text.cpp)
target_include_directories(loadcheck PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(loadcheck PRIVATE PLATFORM_DIRECT)
target_link_options(loadcheck PRIVATE -static -static-libgcc -static-libstdc++ -s)
target_link_libraries(loadcheck PRIVATE kernel32 user32 gdi32)

# The platform contract on the Win32 side, with the stub's resources for its
# dialog.
add_executable(contract tests/contract/contract_win32.cpp tests/contract/contract.cpp
  platform/win32/win32_platform.cpp platform/win32/win32_removal.cpp base/text.cpp res/stub.rc)
target_include_directories(contract PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(contract PRIVATE PLATFORM_DIRECT)
target_compile_options(contract PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-O2 -Wall -Wextra>)
target_link_options(contract PRIVATE -static -static-libgcc -static-libstdc++ -s)
target_link_libraries(contract PRIVATE kernel32 user32 gdi32 advapi32)

# A planted OPENGL32.DLL, for the test that the installer never loads it.
add_library(fakegl SHARED tests/e2e/fakegl.cpp)
target_link_options(fakegl PRIVATE -static -static-libgcc -s)
set_target_properties(fakegl PROPERTIES OUTPUT_NAME opengl32 PREFIX "")
