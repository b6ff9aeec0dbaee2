// Drawing the geometry layer in the scene.
#include "scene/geometry_draw.h"

#include <GL/glut.h>

#include "geometry/geometry_layer.h"
#include "state/geometry_edit_state.h"
#include "state/geometry_state.h"
#include "state/overlay_state.h"
#include "state/terrain_draw_state.h"

constexpr float geometry_specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
constexpr float geometry_shininess = 1.0f;
constexpr float geometry_emission[4] = {0.2f, 0.0f, 0.0f, 1.0f};  // a faint red glow
constexpr int SOLID_SLICES = 10;
constexpr double CONE_HEIGHT = 10.0;
constexpr float BILLBOARD_UNIT_SIZE = 5.0f;  // the size at which a billboard is drawn 8 x 8

namespace {

void place_item(const GeometryItem& g) {
    glTranslatef(g.x, g.y, g.z);
    glRotatef(g.rx, 1.0f, 0.0f, 0.0f);
    glRotatef(g.ry, 0.0f, 1.0f, 0.0f);
    glRotatef(g.rz, 0.0f, 0.0f, 1.0f);
}

void draw_selection_cube() {
    if (!is_geometry_item(selected_item)) return;
    const GeometryItem& g = geometry_items[selected_item];
    glPushMatrix();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glTranslatef(g.x, g.y, g.z);
    glutWireCube(2.0 * g.size);
    if (textures_on) glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glPopMatrix();
}

void draw_solid(const GeometryItem& g) {
    glPushMatrix();
    glDisable(GL_TEXTURE_2D);
    // The terrain's material is put back after each solid.
    float ambient[4], specular[4], diffuse[4], shininess, emission[4];
    glGetMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    glGetMaterialfv(GL_FRONT, GL_EMISSION, emission);
    set_material(material_ambient, material_diffuse, geometry_specular, geometry_shininess, geometry_emission);
    place_item(g);
    if (g.kind == GEOMETRY_SPHERE) glutSolidSphere(g.size, SOLID_SLICES, SOLID_SLICES);
    else glutSolidCone(g.size, CONE_HEIGHT, SOLID_SLICES, SOLID_SLICES);
    if (textures_on) glEnable(GL_TEXTURE_2D);
    set_material(ambient, diffuse, specular, shininess, emission);
    glPopMatrix();
}

void draw_billboard(const GeometryItem& g) {
    glPushMatrix();
    glDisable(GL_LIGHTING);
    place_item(g);
    billboard_begin();
    glPushMatrix();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // A picture number outside the three pictures shows the first one.
    int picture = g.texture >= 0 && g.texture < BILLBOARD_PICTURES ? g.texture : 0;
    glBindTexture(GL_TEXTURE_2D, billboard_textures[picture]);
    float scale = g.size / BILLBOARD_UNIT_SIZE;
    glScalef(scale, scale, scale);
    glCallList(billboard_quad_list);
    glDisable(GL_BLEND);
    glPopMatrix();
    billboard_end();
    glEnable(GL_LIGHTING);
    glPopMatrix();
}

}  // namespace

void set_material(const float* ambient, const float* diffuse, const float* specular, float shininess,
                  const float* emission) {
    glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    glMaterialfv(GL_FRONT, GL_EMISSION, emission);
}

void billboard_begin() {
    glPushMatrix();
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    for (int column = 0; column < 3; ++column)
        for (int row = 0; row < 3; ++row) m[column * 4 + row] = column == row ? 1.0f : 0.0f;
    glLoadMatrixf(m);
}

void billboard_end() { glPopMatrix(); }

void draw_geometry_layer() {
    if (geometry_item_count > 0) draw_selection_cube();
    for (int i = 0; i < geometry_item_count; ++i) {
        const GeometryItem& g = geometry_items[i];
        if (g.kind == GEOMETRY_SPHERE || g.kind == GEOMETRY_CONE) draw_solid(g);
        else if (g.kind == GEOMETRY_BILLBOARD) draw_billboard(g);
    }
}
