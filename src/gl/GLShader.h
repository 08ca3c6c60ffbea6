#ifndef ORVALIS_GLSHADER_H
#define ORVALIS_GLSHADER_H

#include <epoxy/gl.h>

#include "VecMath.h"

#include <cstdio>
#include <initializer_list>
#include <string>

class QColor;

// One OpenGL program built from GLSL files: vertex + fragment, optionally a
// geometry stage. Diagnostics go to the given stream (stderr for the views).
class GLShader
{
public:
    GLShader();
    ~GLShader();
    GLShader(const GLShader&) = delete;
    GLShader& operator=(const GLShader&) = delete;

    bool createProgramFromFile(const char* vertFile, const char* fragFile, FILE* out);
    bool createProgramFromFile(const char* vertFile, const char* geomFile, const char* fragFile);
    GLuint createShaderFromFile(const char* file, GLenum type, FILE* out);
    int readShaderFromFile(const char* file, std::string& text, FILE* out);
    bool printInfoLog(GLuint shader, FILE* out);
    bool printProgramInfoLog(FILE* out);

    void bind();
    void release();
    GLint getUniformLocation(const char* name);
    // Each looks the location up by name; a uniform the program does not use
    // has location -1, which OpenGL ignores.
    void setUniform(const char* name, const mat4& m);
    void setUniform(const char* name, float value);
    void setUniform(const char* name, int value);
    void setUniform(const char* name, float x, float y);
    void setUniform(const char* name, float r, float g, float b);
    void setUniform(const char* name, const QColor& c); // as r, g, b
    void removeAllShaders();

    GLuint progHandle = 0;

private:
    struct Stage
    {
        const char* file;
        GLenum type;
    };
    bool buildProgram(std::initializer_list<Stage> stages, FILE* out);
};

#endif // ORVALIS_GLSHADER_H
