// Mixing two eyes' pictures: each eye is drawn over the whole drawable in
// turn and copied into a texture (a copy inside the GL, cheaper than reading
// both back), then one quad mixes them with a small fragment program.
#include "gl/eye_mix.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>

#include "state/gl_state.h"

namespace {

// Dubois's least-squares red/cyan matrices (rows: the output's red, green,
// blue; columns: the eye's red, green, blue), for linear light: they keep
// the colours seen through common red/cyan filters closest to the original
// with little of the other eye leaking through either filter, where a plain
// channel split loses saturated reds and greens.
const GLfloat RED_CYAN_LEFT[9] = {0.437f, 0.449f, 0.164f, -0.062f, -0.062f, -0.024f, -0.048f, -0.050f, -0.017f};
const GLfloat RED_CYAN_RIGHT[9] = {-0.011f, -0.032f, -0.007f, 0.377f, 0.761f, 0.009f, -0.026f, -0.093f, 1.234f};

const char* const QUAD_VERTICES =
    "void main() { gl_TexCoord[0] = gl_MultiTexCoord0; gl_Position = gl_Vertex; }\n";

// The pictures hold sRGB values: the matrices apply to light, so decode
// first and encode the result.
const char* const RED_CYAN_FRAGMENTS =
    "uniform sampler2D left_eye, right_eye;\n"
    "uniform mat3 left_mix, right_mix;\n"
    "void main() {\n"
    "  vec3 l = pow(texture2D(left_eye, gl_TexCoord[0].st).rgb, vec3(2.2));\n"
    "  vec3 r = pow(texture2D(right_eye, gl_TexCoord[0].st).rgb, vec3(2.2));\n"
    "  gl_FragColor = vec4(pow(clamp(left_mix * l + right_mix * r, 0.0, 1.0), vec3(1.0 / 2.2)), 1.0);\n"
    "}\n";

// Rows counted from the top: gl_FragCoord.y is a row's centre counted up.
const char* const ROWS_FRAGMENTS =
    "uniform sampler2D left_eye;\n"
    "uniform float picture_height;\n"
    "void main() {\n"
    "  if (mod(floor(picture_height - gl_FragCoord.y), 2.0) > 0.5) discard;\n"
    "  gl_FragColor = texture2D(left_eye, gl_TexCoord[0].st);\n"
    "}\n";

GLuint compile_shader(GLenum kind, const char* text) {
    GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[512] = "";
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        printf("Stereo mixing program refused: %s\n", log);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint link_program(const char* fragments) {
    GLuint vertices = compile_shader(GL_VERTEX_SHADER, QUAD_VERTICES);
    GLuint pixels = compile_shader(GL_FRAGMENT_SHADER, fragments);
    if (!vertices || !pixels) return 0;
    GLuint program = glCreateProgram();
    glAttachShader(program, vertices);
    glAttachShader(program, pixels);
    glLinkProgram(program);
    glDeleteShader(vertices);
    glDeleteShader(pixels);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

// The context's version as major * 10 + minor; 0 if unknown.
int gl_version() {
    const char* text = (const char*)glGetString(GL_VERSION);
    int major = 0, minor = 0;
    if (!text || sscanf(text, "%d.%d", &major, &minor) < 1) return 0;
    return major * 10 + minor;
}

void set_eye_textures(int width, int height) {
    if (gl_eye_mix.textures[0] && gl_eye_mix.width == width && gl_eye_mix.height == height) return;
    if (!gl_eye_mix.textures[0]) glGenTextures(2, gl_eye_mix.textures);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    for (GLuint texture : gl_eye_mix.textures) {
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    }
    glBindTexture(GL_TEXTURE_2D, (GLuint)bound);
    gl_eye_mix.width = width;
    gl_eye_mix.height = height;
}

// One quad over (0, 0, width, height) under `program`, with both pictures
// bound, nothing else touched.
void draw_mixing_quad(GLuint program, int width, int height) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glDisable(GL_FOG);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glViewport(0, 0, width, height);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, gl_eye_mix.textures[1]);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, gl_eye_mix.textures[0]);
    glUseProgram(program);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2f(-1, -1);
    glTexCoord2f(1, 0), glVertex2f(1, -1);
    glTexCoord2f(1, 1), glVertex2f(1, 1);
    glTexCoord2f(0, 1), glVertex2f(-1, 1);
    glEnd();
    glUseProgram(0);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    glPopAttrib();
}

}  // namespace

bool eye_mix_available() {
    if (gl_eye_mix.state) return gl_eye_mix.state > 0;
    gl_eye_mix.state = -1;
    if (gl_version() < 20) {
        printf("This GL (%s) cannot mix stereo pictures: it has no programs\n", (const char*)glGetString(GL_RENDERER));
        return false;
    }
    gl_eye_mix.red_cyan = link_program(RED_CYAN_FRAGMENTS);
    gl_eye_mix.rows = link_program(ROWS_FRAGMENTS);
    if (!gl_eye_mix.red_cyan || !gl_eye_mix.rows) return false;
    glUseProgram(gl_eye_mix.red_cyan);
    glUniform1i(glGetUniformLocation(gl_eye_mix.red_cyan, "left_eye"), 0);
    glUniform1i(glGetUniformLocation(gl_eye_mix.red_cyan, "right_eye"), 1);
    glUniformMatrix3fv(glGetUniformLocation(gl_eye_mix.red_cyan, "left_mix"), 1, GL_TRUE, RED_CYAN_LEFT);
    glUniformMatrix3fv(glGetUniformLocation(gl_eye_mix.red_cyan, "right_mix"), 1, GL_TRUE, RED_CYAN_RIGHT);
    glUseProgram(gl_eye_mix.rows);
    glUniform1i(glGetUniformLocation(gl_eye_mix.rows, "left_eye"), 0);
    glUseProgram(0);
    gl_eye_mix.state = 1;
    return true;
}

void keep_eye_picture(int eye, int width, int height) {
    set_eye_textures(width, height);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glBindTexture(GL_TEXTURE_2D, gl_eye_mix.textures[eye ? 1 : 0]);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, width, height);
    glBindTexture(GL_TEXTURE_2D, (GLuint)bound);
}

void draw_red_cyan_mix(int width, int height) { draw_mixing_quad(gl_eye_mix.red_cyan, width, height); }

void draw_left_eye_rows(int width, int height) {
    glUseProgram(gl_eye_mix.rows);
    glUniform1f(glGetUniformLocation(gl_eye_mix.rows, "picture_height"), (GLfloat)height);
    glUseProgram(0);
    draw_mixing_quad(gl_eye_mix.rows, width, height);
}
