#pragma once

#include <string>

class QOpenGLFunctions_3_3_Core;

namespace tv {

// A linked shader program, or why there is none.
struct TShaderProgram {
    unsigned Program = 0; // the GL program name; 0 when building failed
    std::string Error;    // the stage that failed followed by the driver's log; empty on success
};

// Compiles a vertex and a fragment shader and links them into a program on the current
// context. A failure is also printed on standard error with the driver's log: that log is the
// only clue when a driver refuses the device's shaders.
TShaderProgram BuildShaderProgram(QOpenGLFunctions_3_3_Core& f, const char* vertexSource,
                                  const char* fragmentSource);

} // namespace tv
