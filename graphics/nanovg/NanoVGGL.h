#pragma once

// NanoVG with its OpenGL 2 renderer and framebuffer utilities, for the backend and the platform
// layers. Include this instead of the NanoVG headers: it loads the OpenGL declarations first and
// gives the framebuffer utilities (whose header declares no language linkage) the C linkage of
// their definitions in NanoVGRendererGL2.cpp.

#include <glad/gl.h>

#include <nanovg.h>

#ifndef NANOVG_GL2
#define NANOVG_GL2 1
#endif
#include <nanovg_gl.h>

extern "C" {
#include <nanovg_gl_utils.h>
}
