// The 3D head view: a character (its models, textures and viseme morphs) drawn in an OpenGL
// widget through the device layer, shown speaking through IVisemeHandler: SetViseme and
// SetVisemeMix write the rest models' vertices and ask for a repaint, which draws them.
// The camera (distance factor, angles) is shared by every view of the process.
#pragma once

#include <QOpenGLWidget>

#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <vector>

#include "views/heads/model_files/d3d_character.h"
#include "views/heads/model_files/d3d_matrix.h"
#include "views/playback/viseme_handler.h"

class d3d_device;
class gl_device;

// The resource type and ids of the built-in 3D heads.
constexpr const char* kModel3dResourceType = "MODEL3D";
constexpr uint16_t kHighPolyHeadId = 216;
constexpr uint16_t kLowPolyHeadId = 217;

// GUI thread only, like the camera and the last amount shown that every view shares.
class CD3dVisemeView : public QOpenGLWidget, public IVisemeHandler {
    Q_OBJECT
public:
    explicit CD3dVisemeView(QWidget* parent = nullptr);
    ~CD3dVisemeView() override;

    // Loading, on the GUI thread before the view is shown. Each fills an empty view; false with a
    // reason when the character cannot be used.
    bool CreateDeviceAndLoad(std::istream& in, const std::string& folder,
                             const d3d_character::progress_fn& progress = nullptr, std::string* error = nullptr);
    bool ReadCharacterPack(const unsigned char* data, std::size_t size, std::string* error = nullptr);
    // A built-in head from the program's resources (type "MODEL3D").
    bool LoadBuiltInHead(uint16_t resource_id, std::string* error = nullptr);
    // Empty, with a reason, when the pack would not read back.
    std::vector<uint8_t> WriteCharacterPack(std::string* error = nullptr);

    void SetVisemeMix(const ArticulationKey* key) override;
    void SetViseme(const char* label, int32_t amount) override;

    static void GetCamera(float& distance_factor, float& angle, float& vertical_angle);
    void SetCamera(float distance_factor, float angle, float vertical_angle);
    void SetCameraZoom(float multiplier);
    // Recomputes the transforms from the bounds and the shared camera, clamping the camera first.
    void SetTransforms();
    // The projection for the window's shape (width over height in aspect_).
    d3d_matrix MakeProjection() const;

    // Draws one frame on a device: clear, auxiliary models, rest models. Nothing without a
    // character.
    void RenderFrame(d3d_device& device);
    void SetupLights(d3d_device& device);
    // The states of a freshly made device.
    static void SetupDevice(d3d_device& device);

    bool HasCharacter() const { return loaded_; }
    d3d_character& Character() { return character_; }
    const d3d_matrix& World() const { return world_; }
    const d3d_matrix& View() const { return view_; }
    const d3d_matrix& Projection() const { return projection_; }

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void RequestFrame();
    void OnLoaded();

    d3d_character character_;
    bool loaded_ = false;
    std::unique_ptr<gl_device> gl_;
    d3d_matrix world_, view_, projection_;
    float aspect_ = 1.0f;
};
