// The definitions of NanoVG's OpenGL 2 renderer and its framebuffer utilities. Built with the
// third-party code (warnings off), not with ours.
//
// NANOVG_FBO_VALID must be set before the utilities are compiled: for OpenGL 2 they assume no
// framebuffer objects otherwise, and nvgluCreateFramebuffer quietly returns null.

#include <glad/gl.h>

#include <nanovg.h>

#define NANOVG_GL2_IMPLEMENTATION 1
#include <nanovg_gl.h>

#define NANOVG_FBO_VALID 1
extern "C" {
#include <nanovg_gl_utils.h>
}
