// Fixed-function OpenGL drawing of the device layer's calls. Matrices are kept in the row-vector
// convention, which laid out in memory is exactly OpenGL's column-major form of the same transform.
#include "views/heads/d3d/gl_device.h"

#include <GL/gl.h>

#include <algorithm>

#include "views/heads/model_files/d3d_texture.h"

gl_device::gl_device() {
    world_ = view_ = projection_ = MatrixIdentity();
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_FALSE);
}

gl_device::~gl_device() = default;

void gl_device::ReleaseTextures() {
    for (auto& [texture, id] : textures_) glDeleteTextures(1, &id);
    textures_.clear();
}

bool gl_device::TestCooperativeLevel() { return true; }

void gl_device::SetRenderState(d3d_render_state state, uint32_t value) {
    switch (state) {
        case d3d_render_state::fill_mode:
            glPolygonMode(GL_FRONT_AND_BACK, value == kFillWireframe ? GL_LINE : GL_FILL);
            break;
        case d3d_render_state::shade_mode:
            glShadeModel(value == kShadeGouraud ? GL_SMOOTH : GL_FLAT);
            break;
        case d3d_render_state::cull_mode:
            // The layer's counter-clockwise culling drops faces that appear counter-clockwise in
            // its left-handed frame: OpenGL's clockwise, seen through the mirrored depth axis.
            if (value == kCullNone) {
                glDisable(GL_CULL_FACE);
            } else {
                glEnable(GL_CULL_FACE);
                glFrontFace(value == kCullCounterClockwise ? GL_CW : GL_CCW);
                glCullFace(GL_BACK);
            }
            break;
        case d3d_render_state::normalize_normals:
            if (value) glEnable(GL_NORMALIZE); else glDisable(GL_NORMALIZE);
            break;
        case d3d_render_state::specular_enable:
            break;  // the lights carry no specular colour
        case d3d_render_state::ambient: {
            const GLfloat c[4] = {((value >> 16) & 0xFF) / 255.0f, ((value >> 8) & 0xFF) / 255.0f, (value & 0xFF) / 255.0f,
                                  ((value >> 24) & 0xFF) / 255.0f};
            glLightModelfv(GL_LIGHT_MODEL_AMBIENT, c);
            break;
        }
        case d3d_render_state::lighting:
            if (value) glEnable(GL_LIGHTING); else glDisable(GL_LIGHTING);
            break;
    }
}

void gl_device::SetTransform(d3d_transform_kind kind, const d3d_matrix& matrix) {
    (kind == d3d_transform_kind::world ? world_ : kind == d3d_transform_kind::view ? view_ : projection_) = matrix;
    transforms_dirty_ = true;
}

void gl_device::SetLight(int index, const d3d_light& light) {
    if (index < 0 || index >= 8) return;
    lights_[index] = light;
    const GLenum id = GL_LIGHT0 + index;
    const GLfloat diffuse[4] = {light.diffuse.r, light.diffuse.g, light.diffuse.b, light.diffuse.a};
    const GLfloat specular[4] = {light.specular.r, light.specular.g, light.specular.b, light.specular.a};
    const GLfloat ambient[4] = {light.ambient.r, light.ambient.g, light.ambient.b, light.ambient.a};
    glLightfv(id, GL_DIFFUSE, diffuse);
    glLightfv(id, GL_SPECULAR, specular);
    glLightfv(id, GL_AMBIENT, ambient);
    transforms_dirty_ = true;
}

void gl_device::LightEnable(int index, bool enable) {
    if (index < 0 || index >= 8) return;
    if (enable) glEnable(GL_LIGHT0 + index); else glDisable(GL_LIGHT0 + index);
}

void gl_device::SetMaterial(const d3d_material& m) {
    const GLfloat diffuse[4] = {m.diffuse.r, m.diffuse.g, m.diffuse.b, m.diffuse.a};
    const GLfloat ambient[4] = {m.ambient.r, m.ambient.g, m.ambient.b, m.ambient.a};
    const GLfloat specular[4] = {m.specular.r, m.specular.g, m.specular.b, m.specular.a};
    const GLfloat emissive[4] = {m.emissive.r, m.emissive.g, m.emissive.b, m.emissive.a};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, emissive);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::min(std::max(m.power, 0.0f), 128.0f));
}

void gl_device::SetTexture(int stage, const d3d_texture* texture) {
    if (stage != 0) return;
    if (!texture || texture->width <= 0 || texture->rgba.empty()) {
        glDisable(GL_TEXTURE_2D);
        return;
    }
    auto it = textures_.find(texture);
    if (it == textures_.end()) {
        GLuint id = 0;
        glGenTextures(1, &id);
        glBindTexture(GL_TEXTURE_2D, id);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, texture->width, texture->height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     texture->rgba.data());
        it = textures_.emplace(texture, id).first;
    }
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, it->second);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void gl_device::Clear(uint32_t colour, float depth) {
    glClearColor(((colour >> 16) & 0xFF) / 255.0f, ((colour >> 8) & 0xFF) / 255.0f, (colour & 0xFF) / 255.0f,
                 ((colour >> 24) & 0xFF) / 255.0f);
    glClearDepth(depth);
    glDepthMask(GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

bool gl_device::BeginScene() { return true; }
void gl_device::EndScene() {}
void gl_device::Present() { glFlush(); }

void gl_device::ApplyTransformsAndLights() {
    if (!transforms_dirty_) return;
    transforms_dirty_ = false;
    // Depth 0..1 of the layer's projection becomes OpenGL's -1..1: z' = 2z - w.
    d3d_matrix depth = MatrixIdentity();
    depth.m[2][2] = 2;
    depth.m[3][2] = -1;
    const d3d_matrix projection = MatrixMultiply(projection_, depth);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(&projection.m[0][0]);
    glMatrixMode(GL_MODELVIEW);
    // Lights are given in world space: place them under the view transform alone. OpenGL wants
    // the direction towards the light.
    glLoadMatrixf(&view_.m[0][0]);
    for (int i = 0; i < 8; ++i) {
        const d3d_vector3& d = lights_[i].direction;
        const GLfloat towards[4] = {-d.x, -d.y, -d.z, 0};
        glLightfv(GL_LIGHT0 + i, GL_POSITION, towards);
    }
    const d3d_matrix model_view = MatrixMultiply(world_, view_);
    glLoadMatrixf(&model_view.m[0][0]);
}

void gl_device::DrawIndexedTriangles(const d3d_vertex_buffer& buffer, const std::vector<uint32_t>& indices,
                                     uint32_t first_index, uint32_t triangle_count) {
    if (buffer.vertices.empty() || static_cast<std::size_t>(first_index) + 3ull * triangle_count > indices.size()) return;
    ApplyTransformsAndLights();
    const ModelVertex* v = buffer.vertices.data();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(ModelVertex), &v->x);
    glNormalPointer(GL_FLOAT, sizeof(ModelVertex), &v->nx);
    glTexCoordPointer(2, GL_FLOAT, sizeof(ModelVertex), &v->u);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(3 * triangle_count), GL_UNSIGNED_INT, indices.data() + first_index);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}
