// Per-pixel lighting of coarse levels: the normal map's texture and the
// program that lights from it.
#include "terrain/level_shading.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "state/level_shading_state.h"
#include "state/terrain_draw_state.h"
#include "state/world_state.h"
#include "terrain/terrain_levels.h"

namespace {

constexpr int NORMAL_UNIT = 1;                // the drape keeps unit 0
constexpr float NORMAL_MAP_LOD_BIAS = -1.0f;  // mip levels finer than a pixel's footprint

// The fixed pipeline's light of a vertex (GL_LIGHT0, the current material
// and light model, an infinite viewer), with the normal read per fragment:
// the vertex hands on the way to the light turned into the terrain's own
// axes (so that the fragment need not turn each normal); the fragment
// lights, takes the texture and linear fog on its eye depth, as the fixed
// pipeline does. Both follow "#version 120" and the variant's TEXTURED,
// FOGGED, SHINY and ATTENUATED (each 0 or 1): a program for each, since
// llvmpipe pays for a branch on a uniform in every fragment and for every
// value handed from the vertices in every triangle (coarse levels of rugged
// ground draw a quarter of a million small ones a frame). Specular light,
// which the terrain's material leaves out, only where the material has it;
// the light's attenuation, which it leaves at none, only where it has one.
const char* const VERTEX_SOURCE = R"(
uniform vec4 place;
varying vec3 to_light;
varying vec2 normal_coord;
#if ATTENUATED
varying float attenuation;
#endif
#if TEXTURED
varying vec2 drape_coord;
#endif
void main() {
    vec4 eye = gl_ModelViewMatrix * gl_Vertex;
    vec4 light = gl_LightSource[0].position;
    vec3 towards = light.w != 0.0 ? light.xyz / light.w - eye.xyz : light.xyz;
#if ATTENUATED
    float d = length(towards);
    attenuation = light.w != 0.0 ? 1.0 / (gl_LightSource[0].constantAttenuation +
                                          gl_LightSource[0].linearAttenuation * d +
                                          gl_LightSource[0].quadraticAttenuation * d * d) : 1.0;
#endif
    to_light = normalize(transpose(gl_NormalMatrix) * towards);
    normal_coord = vec2(gl_Vertex.x * place.x + place.y, gl_Vertex.z * place.z + place.w);
#if TEXTURED
    drape_coord = (gl_TextureMatrix[0] * gl_MultiTexCoord0).st;
#endif
#if FOGGED
    gl_FogFragCoord = abs(eye.z);
#endif
    gl_Position = ftransform();
}
)";

// The map holds each normal's x and z (as luminance and alpha: two bytes a
// texel on any GL); its y, up, makes it unit.
const char* const FRAGMENT_SOURCE = R"(
uniform sampler2D drape;
uniform sampler2D normals;
varying vec3 to_light;
varying vec2 normal_coord;
#if ATTENUATED
varying float attenuation;
#else
const float attenuation = 1.0;
#endif
#if TEXTURED
varying vec2 drape_coord;
#endif
void main() {
    vec2 across = texture2D(normals, normal_coord).ra * 2.0 - 1.0;
    vec3 n = vec3(across.x, sqrt(max(1.0 - dot(across, across), 0.0)), across.y);
    float diffuse = max(dot(n, to_light), 0.0);
    vec4 lit = gl_FrontLightProduct[0].ambient + gl_FrontLightProduct[0].diffuse * diffuse;
#if SHINY
    if (diffuse > 0.0) {
        vec3 eye_normal = normalize(gl_NormalMatrix * n);
        vec3 l = normalize(gl_NormalMatrix * to_light);
        float shine = max(dot(eye_normal, normalize(l + vec3(0.0, 0.0, 1.0))), 0.0);
        if (shine > 0.0) lit += gl_FrontLightProduct[0].specular * pow(shine, gl_FrontMaterial.shininess);
    }
#endif
    vec4 colour = clamp(gl_FrontLightModelProduct.sceneColor + attenuation * lit, 0.0, 1.0);
    colour.a = gl_FrontMaterial.diffuse.a;
#if TEXTURED
    colour *= texture2D(drape, drape_coord);
#endif
#if FOGGED
    float f = clamp((gl_Fog.end - gl_FogFragCoord) * gl_Fog.scale, 0.0, 1.0);
    colour.rgb = mix(gl_Fog.color.rgb, colour.rgb, f);
#endif
    gl_FragColor = colour;
}
)";

int gl_version() {
    const char* text = (const char*)glGetString(GL_VERSION);
    int major = 0, minor = 0;
    if (!text || sscanf(text, "%d.%d", &major, &minor) < 1) return 0;
    return major * 10 + minor;
}

GLuint compile_shader(GLenum kind, const char* source) {
    GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok) return shader;
    char log[512] = "";
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    fprintf(stderr, "Coarse levels are lit at their corners: the GL did not take the lighting program (%s)\n", log);
    glDeleteShader(shader);
    return 0;
}

// Variant `variant`'s program (bit 0 textured, 1 fogged, 2 shiny, 3
// attenuated), made the
// first time it is wanted; null when the GL cannot run it (then never tried
// again: a failure is reported once).
const LevelShadingProgram* program_for(int variant) {
    LevelShadingProgram& p = level_shading_programs[variant];
    if (p.program) return &p;
    if (level_shading_failed || gl_version() < 20) {
        level_shading_failed = true;
        return nullptr;
    }
    char head[128];
    snprintf(head, sizeof head,
             "#version 120\n#define TEXTURED %d\n#define FOGGED %d\n#define SHINY %d\n#define ATTENUATED %d\n",
             variant & 1, (variant >> 1) & 1, (variant >> 2) & 1, (variant >> 3) & 1);
    std::string vertex_text = std::string(head) + VERTEX_SOURCE, fragment_text = std::string(head) + FRAGMENT_SOURCE;
    GLuint vertex = compile_shader(GL_VERTEX_SHADER, vertex_text.c_str());
    GLuint fragment = vertex ? compile_shader(GL_FRAGMENT_SHADER, fragment_text.c_str()) : 0;
    GLuint program = fragment ? glCreateProgram() : 0;
    GLint ok = GL_FALSE;
    if (program) {
        glAttachShader(program, vertex);
        glAttachShader(program, fragment);
        glLinkProgram(program);
        glGetProgramiv(program, GL_LINK_STATUS, &ok);
        if (!ok) fprintf(stderr, "Coarse levels are lit at their corners: the GL did not link the lighting program\n");
    }
    if (vertex) glDeleteShader(vertex);
    if (fragment) glDeleteShader(fragment);
    if (!ok) {
        if (program) glDeleteProgram(program);
        level_shading_failed = true;
        return nullptr;
    }
    p.program = program;
    p.place = glGetUniformLocation(program, "place");
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "drape"), 0);
    glUniform1i(glGetUniformLocation(program, "normals"), NORMAL_UNIT);
    glUseProgram(0);
    return &p;
}

// Sends the rows and columns of `rect` (or the whole map when null) to the texture.
void send_normal_texels(const int* rect) {
    const TerrainNormalMap& map = level_normal_map;
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glBindTexture(GL_TEXTURE_2D, level_normal_texture);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (!rect) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE8_ALPHA8, map.width, map.height, 0, GL_LUMINANCE_ALPHA,
                     GL_UNSIGNED_BYTE, map.texels.data());
    } else {
        glPixelStorei(GL_UNPACK_ROW_LENGTH, map.width);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, rect[0]);
        glPixelStorei(GL_UNPACK_SKIP_ROWS, rect[1]);
        glTexSubImage2D(GL_TEXTURE_2D, 0, rect[0], rect[1], rect[2], rect[3], GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE,
                        map.texels.data());
    }
    glPopClientAttrib();
    glBindTexture(GL_TEXTURE_2D, (GLuint)bound);
}

}  // namespace

void drop_level_shading() {
    end_level_shading();
    if (level_normal_texture) {
        GLuint texture = level_normal_texture;
        glDeleteTextures(1, &texture);
    }
    reset_level_shading_state();
}

void lay_out_level_shading() {
    drop_level_shading();
    if (!level_shading_switch || !average_normals || !terrain_levels_wanted() || !program_for(0)) return;
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    int most = std::min(NORMAL_MAP_MOST_SIDE, (int)largest);
    if (!build_terrain_normal_map(terrain_vertices, terrain_vertex_count, terrain_faces, terrain_face_count, most,
                                  &level_normal_map))
        return;
    normal_map_texture_place(level_normal_map, level_normal_place);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    level_normal_texture = texture;
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    // Exact drawing lights each pixel from about one vertex, relief and all;
    // the mip level a pixel's footprint calls for averages four times as many
    // and smooths it (measured on rugged ground: mean difference from exact
    // drawing 1.0-1.27 / 255 without the bias, 0.55-0.82 with it; anisotropic
    // filtering smooths more and does worse).
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_LOD_BIAS, NORMAL_MAP_LOD_BIAS);
    glBindTexture(GL_TEXTURE_2D, (GLuint)bound);
    send_normal_texels(nullptr);
    // The GL keeps its own copy: ours goes until an edit needs it (32 MiB at
    // 32 million faces, where every byte of the peak counts).
    std::vector<unsigned char>().swap(level_normal_map.texels);
}

void update_level_shading_for_vertices(const int* vertices, int count) {
    if (!level_normal_texture || count <= 0) return;
    std::vector<int> faces;
    for (int i = 0; i < count; ++i) {
        int v = vertices[i];
        if (v < 0 || v >= terrain_vertex_count) continue;
        const TerrainVertex& vertex = terrain_vertices[v];
        int n = std::min(vertex.face_count, MAX_VERTEX_FACES);
        faces.insert(faces.end(), vertex.faces, vertex.faces + std::max(n, 0));
    }
    if (level_normal_map.texels.empty()) {
        // The first edit since the load lays the whole map out again and keeps it.
        TerrainNormalMap map;
        if (!build_terrain_normal_map(terrain_vertices, terrain_vertex_count, terrain_faces, terrain_face_count,
                                      std::max(level_normal_map.width, level_normal_map.height), &map) ||
            map.width != level_normal_map.width || map.height != level_normal_map.height)
            return;
        level_normal_map.texels.swap(map.texels);
    }
    int rect[4];
    update_terrain_normal_map(terrain_vertices, terrain_vertex_count, terrain_faces, terrain_face_count, faces,
                              &level_normal_map, rect);
    if (rect[2] > 0 && rect[3] > 0) send_normal_texels(rect);
}

void begin_level_shading() {
    if (level_shading_active || !level_normal_texture || !level_shading_switch || !average_normals) return;
    GLfloat specular[4] = {0, 0, 0, 0};
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    bool shiny = specular[0] > 0.0f || specular[1] > 0.0f || specular[2] > 0.0f;
    GLfloat fading[3] = {1, 0, 0};
    glGetLightfv(GL_LIGHT0, GL_CONSTANT_ATTENUATION, &fading[0]);
    glGetLightfv(GL_LIGHT0, GL_LINEAR_ATTENUATION, &fading[1]);
    glGetLightfv(GL_LIGHT0, GL_QUADRATIC_ATTENUATION, &fading[2]);
    bool attenuated = fading[0] != 1.0f || fading[1] != 0.0f || fading[2] != 0.0f;
    int variant = (glIsEnabled(GL_TEXTURE_2D) ? 1 : 0) | (glIsEnabled(GL_FOG) ? 2 : 0) | (shiny ? 4 : 0) |
                  (attenuated ? 8 : 0);
    const LevelShadingProgram* p = program_for(variant);
    if (!p) return;
    glUseProgram(p->program);
    glUniform4fv(p->place, 1, level_normal_place);
    glActiveTexture(GL_TEXTURE0 + NORMAL_UNIT);
    glBindTexture(GL_TEXTURE_2D, level_normal_texture);
    glActiveTexture(GL_TEXTURE0);
    level_shading_active = true;
}

void end_level_shading() {
    if (!level_shading_active) return;
    glUseProgram(0);
    glActiveTexture(GL_TEXTURE0 + NORMAL_UNIT);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    level_shading_active = false;
}
