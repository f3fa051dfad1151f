# The OpenGL loader and NanoVG, both from Debian's packages, as two static libraries.
#
# kolmari_glad: the OpenGL 2.1 compatibility entry points plus the framebuffer-object extensions,
# generated at build time by python3-glad from the Khronos registry files it ships (--reproducible:
# nothing is fetched). --alias lets the core framebuffer calls fall back to the EXT ones on drivers
# that only offer the extension.
#
# kolmari_nanovg: NanoVG, its OpenGL 2 renderer and its framebuffer utilities from the copy that
# dpf-source installs. It is third-party code, so it builds with its own warnings switched off;
# nanovg.c needs a C++ compiler (it uses an enum without the enum keyword, which C rejects).
# It carries its own stb_image (renamed symbols) and stb_truetype, so nothing else may link a
# second stb_truetype.

find_program(KOLMARI_GLAD_PROGRAM glad REQUIRED)
find_path(KOLMARI_NANOVG_DIR nanovg.h
  PATHS /usr/share/dpf/dgl/src/nanovg
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
  REQUIRED)

set(_glad_dir ${CMAKE_BINARY_DIR}/glad)
add_custom_command(
  OUTPUT ${_glad_dir}/src/gl.c ${_glad_dir}/include/glad/gl.h ${_glad_dir}/include/KHR/khrplatform.h
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${_glad_dir}
  COMMAND ${KOLMARI_GLAD_PROGRAM} --quiet --reproducible
          --api gl:compatibility=2.1
          --extensions GL_ARB_framebuffer_object,GL_EXT_framebuffer_object
          --out-path ${_glad_dir}
          c --alias
  COMMENT "Generating the OpenGL loader with glad"
  VERBATIM)
add_library(kolmari_glad STATIC ${_glad_dir}/src/gl.c)
target_include_directories(kolmari_glad SYSTEM PUBLIC ${_glad_dir}/include)
target_compile_options(kolmari_glad PRIVATE -w)
target_link_libraries(kolmari_glad PUBLIC ${CMAKE_DL_LIBS})

add_library(kolmari_nanovg STATIC
  ${KOLMARI_NANOVG_DIR}/nanovg.c
  ${PROJECT_SOURCE_DIR}/graphics/nanovg/NanoVGRendererGL2.cpp)
set_source_files_properties(${KOLMARI_NANOVG_DIR}/nanovg.c PROPERTIES LANGUAGE CXX)
target_compile_options(kolmari_nanovg PRIVATE -w)
target_include_directories(kolmari_nanovg SYSTEM PUBLIC ${KOLMARI_NANOVG_DIR})
target_include_directories(kolmari_nanovg PUBLIC ${PROJECT_SOURCE_DIR}/graphics/nanovg)
target_link_libraries(kolmari_nanovg PUBLIC kolmari_glad m)
