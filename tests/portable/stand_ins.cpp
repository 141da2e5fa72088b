// What the portable unit tests reach of the parts their build leaves out.
// The process-wide settings store lives with the scene window, which needs
// the whole program. The shards' drawing calls OpenGL, which these tests
// call without a rendering context, where Mesa does nothing; with no OpenGL
// library here, these do nothing instead.
#include "platform/platform.h"
#include "settings/settings_store.h"

SettingsStore settingsStore("Gyrelle Screen Saver", settingDefaults);

void glBegin(GLenum) {}
void glEnd() {}
void glEnable(GLenum) {}
void glDisable(GLenum) {}
void glColor3d(GLdouble, GLdouble, GLdouble) {}
void glTexCoord2d(GLdouble, GLdouble) {}
void glVertex3d(GLdouble, GLdouble, GLdouble) {}
void glGenTextures(GLsizei, GLuint*) {}
void glBindTexture(GLenum, GLuint) {}
void glTexParameteri(GLenum, GLenum, GLint) {}
void glTexEnvi(GLenum, GLenum, GLint) {}
void glTexImage2D(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*) {}
void glGetIntegerv(GLenum, GLint*) {}
void glReadBuffer(GLenum) {}
void glReadPixels(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*) {}
