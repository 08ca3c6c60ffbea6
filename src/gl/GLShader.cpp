#include "GLShader.h"

#include <QColor>

#include <memory>
#include <sstream>
#include <vector>

GLShader::GLShader() = default;

GLShader::~GLShader()
{
    removeAllShaders();
}

bool GLShader::createProgramFromFile(const char* vertFile, const char* fragFile, FILE* out)
{
    return buildProgram({{vertFile, GL_VERTEX_SHADER}, {fragFile, GL_FRAGMENT_SHADER}}, out);
}

bool GLShader::createProgramFromFile(const char* vertFile, const char* geomFile,
                                     const char* fragFile)
{
    return buildProgram({{vertFile, GL_VERTEX_SHADER},
                         {geomFile, GL_GEOMETRY_SHADER},
                         {fragFile, GL_FRAGMENT_SHADER}},
                        stderr);
}

bool GLShader::buildProgram(std::initializer_list<Stage> stages, FILE* out)
{
    std::vector<GLuint> shaders;
    for (const Stage& stage : stages) {
        const GLuint shader = createShaderFromFile(stage.file, stage.type, out);
        if (shader == 0) {
            // Stages compiled so far belong to no program yet.
            for (GLuint s : shaders)
                glDeleteShader(s);
            return false;
        }
        shaders.push_back(shader);
    }

    progHandle = glCreateProgram();
    for (GLuint s : shaders)
        glAttachShader(progHandle, s);
    glLinkProgram(progHandle);
    const bool linked = printProgramInfoLog(out);
    glUseProgram(0);
    return linked;
}

GLuint GLShader::createShaderFromFile(const char* file, GLenum type, FILE* out)
{
    std::string text;
    if (readShaderFromFile(file, text, out) == 0)
        return 0;

    // The leading newline shifts the driver's line numbers by one; the listing below
    // numbers the same way, so both agree.
    const std::string source = "\n" + text;
    const GLchar* src = source.c_str();
    const GLint len = static_cast<GLint>(source.size());

    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &src, &len);
    glCompileShader(shader);
    if (printInfoLog(shader, out))
        return shader;

    std::istringstream lines(source);
    std::string line;
    for (int lineNo = 1; std::getline(lines, line); ++lineNo)
        fprintf(out, "%4d : %s\n", lineNo, line.c_str());
    // The stage is useless now; do not leak it.
    glDeleteShader(shader);
    return 0;
}

int GLShader::readShaderFromFile(const char* file, std::string& text, FILE* out)
{
    // Printed without a fixed-size buffer so that a long path is reported in full.
    auto cannotOpen = [&] {
        fprintf(out, "Error: GLShader::readShaderFromFile() ... Cannot open file \"%s\"\n", file);
        return 0;
    };

    const std::unique_ptr<FILE, int (*)(FILE*)> in(fopen(file, "rb"), &fclose);
    if (!in)
        return cannotOpen();
    std::string raw;
    char chunk[4096];
    size_t n = 0;
    while ((n = fread(chunk, 1, sizeof chunk, in.get())) > 0)
        raw.append(chunk, n);
    // A directory opens but cannot be read.
    if (ferror(in.get()))
        return cannotOpen();

    // Text mode on every platform: a CR LF line end becomes a single newline.
    text.clear();
    text.reserve(raw.size());
    for (std::string::size_type i = 0; i < raw.size(); ++i) {
        if (!(raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n'))
            text += raw[i];
    }
    return static_cast<int>(text.size());
}

bool GLShader::printInfoLog(GLuint shader, FILE* out)
{
    GLint status = GL_FALSE;
    GLint logLength = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &logLength);
    if (status != GL_FALSE)
        return status == GL_TRUE;
    if (logLength <= 1)
        return false;

    std::vector<GLchar> log(static_cast<size_t>(logLength));
    glGetShaderInfoLog(shader, logLength, nullptr, log.data());
    fprintf(out, "InfoLog : %s\n", log.data());
    return false;
}

bool GLShader::printProgramInfoLog(FILE* out)
{
    GLint status = GL_FALSE;
    GLint logLength = 0;
    glGetProgramiv(progHandle, GL_LINK_STATUS, &status);
    glGetProgramiv(progHandle, GL_INFO_LOG_LENGTH, &logLength);
    if (status != GL_FALSE)
        return status == GL_TRUE;
    if (logLength <= 1)
        return false;

    std::vector<GLchar> log(static_cast<size_t>(logLength));
    glGetProgramInfoLog(progHandle, logLength, nullptr, log.data());
    fprintf(out, "\nProgramInfoLog :\n\n%s\n", log.data());
    return false;
}

void GLShader::bind()
{
    glUseProgram(progHandle);
}

void GLShader::release()
{
    glUseProgram(0);
}

GLint GLShader::getUniformLocation(const char* name)
{
    return glGetUniformLocation(progHandle, name);
}

void GLShader::setUniform(const char* name, const mat4& m)
{
    glUniformMatrix4fv(getUniformLocation(name), 1, GL_FALSE, m.data());
}

void GLShader::setUniform(const char* name, float value)
{
    glUniform1f(getUniformLocation(name), value);
}

void GLShader::setUniform(const char* name, int value)
{
    glUniform1i(getUniformLocation(name), value);
}

void GLShader::setUniform(const char* name, float x, float y)
{
    glUniform2f(getUniformLocation(name), x, y);
}

void GLShader::setUniform(const char* name, float r, float g, float b)
{
    glUniform3f(getUniformLocation(name), r, g, b);
}

void GLShader::setUniform(const char* name, const QColor& c)
{
    setUniform(name, float(c.redF()), float(c.greenF()), float(c.blueF()));
}

void GLShader::removeAllShaders()
{
    if (progHandle == 0 || !glIsProgram(progHandle))
        return;

    glUseProgram(0);
    constexpr GLsizei kMaxShaders = 1024;
    std::vector<GLuint> shaders(kMaxShaders);
    GLsizei count = 0;
    glGetAttachedShaders(progHandle, kMaxShaders, &count, shaders.data());
    for (GLsizei i = 0; i < count; ++i) {
        glDetachShader(progHandle, shaders[static_cast<size_t>(i)]);
        glDeleteShader(shaders[static_cast<size_t>(i)]);
    }
    glDeleteProgram(progHandle);
    progHandle = 0;
}
