# The host build: the installer logic against the simulated machine, the
# tests and the authoring tool; it builds the Windows programs through a
# second, cross-compiling configuration of this same tree.
include(ExternalProject)

option(SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(BUILD_WINDOWS "Cross-compile the stub and the end-to-end helpers" ON)
option(FUZZ "Build the fuzz targets only (clang and libFuzzer; see scripts/fuzz.sh)" OFF)

add_compile_options(-Wall -Wextra)
if(FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -g)
  add_link_options(-fsanitize=address,undefined)
  set(BUILD_WINDOWS OFF)
elseif(SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

# The layers, lowest first (scripts/layers.sh checks that no folder
# includes one above it). The codec stands alone.
add_library(lzhuf STATIC lzhuf/decoder.cpp lzhuf/tree.cpp)
target_include_directories(lzhuf PUBLIC ${CMAKE_SOURCE_DIR})
# The stub's texts, packed by the packer into a source both builds compile.
add_executable(make_texts ssinst/make_texts.cpp authoring/packer.cpp)
target_link_libraries(make_texts PRIVATE lzhuf)
set(PACKED_TEXTS ${CMAKE_BINARY_DIR}/texts_packed.cpp)
add_custom_command(OUTPUT ${PACKED_TEXTS}
  COMMAND make_texts ${PACKED_TEXTS} DEPENDS make_texts ${CMAKE_SOURCE_DIR}/res/texts.inc)
add_custom_target(texts ALL DEPENDS ${PACKED_TEXTS})

add_library(installer_core STATIC
  base/text.cpp base/checksum.cpp res/texts.cpp ${PACKED_TEXTS}
  payload/locator.cpp payload/validate.cpp payload/contents.cpp payload/payload.cpp payload/removal.cpp
  install/names.cpp install/targets.cpp install/outcome.cpp install/register.cpp install/extract.cpp install/install.cpp
  install/removal.cpp install/session.cpp
  checks/checks.cpp app/installer.cpp)
target_link_libraries(installer_core PUBLIC lzhuf)
add_dependencies(installer_core texts)

add_library(sim_platform STATIC platform/sim/sim_platform.cpp)
target_include_directories(sim_platform PUBLIC ${CMAKE_SOURCE_DIR})

add_library(authoring STATIC authoring/printable.cpp authoring/uninstaller_check.cpp authoring/installer_writer.cpp authoring/installer_reader.cpp authoring/installer_names.cpp authoring/extraction.cpp authoring/project_build.cpp authoring/program_check.cpp authoring/files.cpp authoring/packer.cpp authoring/pe_image.cpp authoring/xml.cpp authoring/project.cpp authoring/sha256.cpp authoring/load_stub.cpp)
target_link_libraries(authoring PUBLIC installer_core)

# ssinst twice: the bootstrap, without a stub of its own, lays the linked
# stub out (fix-stub); ssinst proper has that stub built in.
add_executable(ssinst_bootstrap ssinst/ssinst.cpp ssinst/command_line.cpp ssinst/no_embedded_stub.cpp)
target_link_libraries(ssinst_bootstrap PRIVATE authoring)
target_compile_definitions(ssinst_bootstrap PRIVATE SSINST_VERSION="${PROJECT_VERSION}")

add_executable(make_icon res/make_icon.cpp)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/installer.ico
  COMMAND make_icon ${CMAKE_BINARY_DIR}/installer.ico DEPENDS make_icon)
add_custom_target(icon ALL DEPENDS ${CMAKE_BINARY_DIR}/installer.ico)

if(BUILD_WINDOWS)
  set(WIN_DIR ${CMAKE_BINARY_DIR}/windows)
  ExternalProject_Add(windows
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${WIN_DIR}
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-i686.cmake
               -DCMAKE_BUILD_TYPE=MinSizeRel -DSTUB_GENERATED_DIR=${CMAKE_BINARY_DIR}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    DEPENDS icon texts
    BUILD_BYPRODUCTS ${WIN_DIR}/ssstub-raw.exe ${WIN_DIR}/winhelper.exe ${WIN_DIR}/testscr.scr
                     ${WIN_DIR}/opengl32.dll ${WIN_DIR}/loadcheck.exe ${WIN_DIR}/faultcode.exe ${WIN_DIR}/contract.exe)
  # The linked stub has the marker's data first; lay it out with it last.
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/ssstub.exe
    COMMAND ssinst_bootstrap fix-stub ${WIN_DIR}/ssstub-raw.exe -o ${CMAKE_BINARY_DIR}/ssstub.exe
    DEPENDS windows ssinst_bootstrap ${WIN_DIR}/ssstub-raw.exe)
  add_custom_target(stub ALL DEPENDS ${CMAKE_BINARY_DIR}/ssstub.exe)
  set(STUB_PATH ${CMAKE_BINARY_DIR}/ssstub.exe)
  set(EMBEDDED_STUB ${CMAKE_BINARY_DIR}/embedded_stub.cpp)
  add_custom_command(OUTPUT ${EMBEDDED_STUB}
    COMMAND ${CMAKE_COMMAND} -DIN=${STUB_PATH} -DOUT=${EMBEDDED_STUB} -P ${CMAKE_SOURCE_DIR}/cmake/embed_stub.cmake
    DEPENDS ${STUB_PATH} ${CMAKE_SOURCE_DIR}/cmake/embed_stub.cmake)
  add_custom_target(embedded_stub DEPENDS ${EMBEDDED_STUB})
  # ssinst.exe: the same tool for Windows, with the same stub built in.
  set(WIN_SSINST_DIR ${CMAKE_BINARY_DIR}/windows-ssinst)
  ExternalProject_Add(windows_ssinst
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${WIN_SSINST_DIR}
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-i686.cmake
               -DCMAKE_BUILD_TYPE=Release -DSTUB_GENERATED_DIR=${CMAKE_BINARY_DIR}
               -DEMBEDDED_STUB_SOURCE=${EMBEDDED_STUB}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    DEPENDS embedded_stub
    BUILD_BYPRODUCTS ${WIN_SSINST_DIR}/ssinst.exe ${WIN_SSINST_DIR}/ssinstw.exe)
else()
  set(EMBEDDED_STUB ${CMAKE_SOURCE_DIR}/ssinst/no_embedded_stub.cpp)
endif()
add_executable(ssinst ssinst/ssinst.cpp ssinst/command_line.cpp ${EMBEDDED_STUB})
target_link_libraries(ssinst PRIVATE authoring)
target_compile_definitions(ssinst PRIVATE SSINST_VERSION="${PROJECT_VERSION}")

# cmake --install: ssinst in bin; ssinst.exe and the stub, for those who
# want them, in share/ssinst.
include(GNUInstallDirs)
install(TARGETS ssinst RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(BUILD_WINDOWS)
  install(PROGRAMS ${WIN_SSINST_DIR}/ssinst.exe ${WIN_SSINST_DIR}/ssinstw.exe ${STUB_PATH} DESTINATION ${CMAKE_INSTALL_DATADIR}/ssinst)
endif()

if(FUZZ)
  add_subdirectory(tests/fuzz)
else()
  find_package(ZLIB REQUIRED)
  add_executable(lzhuf_bench bench/lzhuf_bench.cpp tests/oracle/lzhuf_oracle.cpp)
  target_link_libraries(lzhuf_bench PRIVATE authoring ZLIB::ZLIB)

  enable_testing()
  add_subdirectory(tests)
endif()

# The packer's hot loops start on fixed boundaries, so that its speed does
# not hang on the size of whatever is linked ahead of it.
set_source_files_properties(authoring/packer.cpp PROPERTIES COMPILE_OPTIONS "-falign-functions=64;-falign-loops=32")
