#include "engine/ShaderProgram.h"

#include <QOpenGLFunctions_3_3_Core>
#include <algorithm>
#include <cstdio>

namespace tv {

namespace {

// A driver's log without the terminating zero and trailing line breaks.
std::string TrimLog(std::string log) {
    while (!log.empty() && (log.back() == '\0' || log.back() == '\n' || log.back() == '\r'))
        log.pop_back();
    return log.empty() ? "(the driver gave no log)" : log;
}

// The info log of a shader or a program, read with the matching pair of calls.
template <class GetValue, class GetLog>
std::string InfoLog(QOpenGLFunctions_3_3_Core& f, GLuint name, GetValue getValue, GetLog getLog) {
    GLint length = 0;
    (f.*getValue)(name, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(std::max(length, 0)), '\0');
    if (length > 0)
        (f.*getLog)(name, length, nullptr, log.data());
    return TrimLog(std::move(log));
}

std::string ShaderLog(QOpenGLFunctions_3_3_Core& f, GLuint shader) {
    return InfoLog(f, shader, &QOpenGLFunctions_3_3_Core::glGetShaderiv,
                   &QOpenGLFunctions_3_3_Core::glGetShaderInfoLog);
}

std::string ProgramLog(QOpenGLFunctions_3_3_Core& f, GLuint program) {
    return InfoLog(f, program, &QOpenGLFunctions_3_3_Core::glGetProgramiv,
                   &QOpenGLFunctions_3_3_Core::glGetProgramInfoLog);
}

// The compiled shader, or 0 with the reason in error.
GLuint Compile(QOpenGLFunctions_3_3_Core& f, GLenum type, const char* source, std::string& error) {
    const GLuint shader = f.glCreateShader(type);
    f.glShaderSource(shader, 1, &source, nullptr);
    f.glCompileShader(shader);
    GLint ok = 0;
    f.glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok)
        return shader;
    error = std::string(type == GL_VERTEX_SHADER ? "vertex" : "fragment") +
            " shader did not compile:\n" + ShaderLog(f, shader);
    f.glDeleteShader(shader);
    return 0;
}

GLuint Link(QOpenGLFunctions_3_3_Core& f, GLuint vertex, GLuint fragment, std::string& error) {
    const GLuint program = f.glCreateProgram();
    f.glAttachShader(program, vertex);
    f.glAttachShader(program, fragment);
    f.glLinkProgram(program);
    GLint ok = 0;
    f.glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok)
        return program;
    error = "shader program did not link:\n" + ProgramLog(f, program);
    f.glDeleteProgram(program);
    return 0;
}

} // namespace

TShaderProgram BuildShaderProgram(QOpenGLFunctions_3_3_Core& f, const char* vertexSource,
                                  const char* fragmentSource) {
    TShaderProgram built;
    const GLuint vertex = Compile(f, GL_VERTEX_SHADER, vertexSource, built.Error);
    const GLuint fragment =
        vertex ? Compile(f, GL_FRAGMENT_SHADER, fragmentSource, built.Error) : 0;
    if (vertex && fragment)
        built.Program = Link(f, vertex, fragment, built.Error);
    // A linked program keeps what it needs of its shaders.
    f.glDeleteShader(vertex);
    f.glDeleteShader(fragment);
    if (!built.Error.empty())
        std::fprintf(stderr, "Graphics device: %s\n", built.Error.c_str());
    return built;
}

} // namespace tv
