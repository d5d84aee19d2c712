#include "platform/window/key_translation.h"

#include <GL/freeglut.h>

RingKey ring_key_for_character(unsigned char key) {
  if (key == 127) return {true, 83};
  return {false, key};
}

std::optional<uint8_t> scan_code_for_special(int glut_key) {
  if (glut_key >= GLUT_KEY_F1 && glut_key <= GLUT_KEY_F10) return static_cast<uint8_t>(59 + glut_key - GLUT_KEY_F1);
  switch (glut_key) {
    case GLUT_KEY_F11: return 133;
    case GLUT_KEY_F12: return 134;
    case GLUT_KEY_HOME: return 71;
    case GLUT_KEY_UP: return 72;
    case GLUT_KEY_PAGE_UP: return 73;
    case GLUT_KEY_LEFT: return 75;
    case GLUT_KEY_RIGHT: return 77;
    case GLUT_KEY_END: return 79;
    case GLUT_KEY_DOWN: return 80;
    case GLUT_KEY_PAGE_DOWN: return 81;
    case GLUT_KEY_INSERT: return 82;
    case GLUT_KEY_DELETE: return 83;
    default: return std::nullopt;
  }
}
