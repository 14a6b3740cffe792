// What DrawModel puts on screen, read back from Mesa. The projection and
// view are the identity, so a vertex (x, y) lands on pixel
// ((x + 1) * 400, (y + 1) * 300).
#include <array>

#include "gl/GlTestContext.h"
#include "model/gl/ModelDraw.h"

namespace {

// A square in the z = 0 plane as two triangles; `grouped` lists the
// triangles (0: lower right, 1: upper left) that its one face group draws.
ModelObject Square(float centreX, float centreY, float half, std::vector<uint16_t> grouped = {0, 1}) {
    ModelObject object;
    const float left = centreX - half, right = centreX + half;
    const float bottom = centreY - half, top = centreY + half;
    object.vertices = {left, bottom, 0, right, bottom, 0, right, top, 0, left, top, 0};
    object.normals = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
    object.texCoords = {left, bottom, right, bottom, right, top, left, top};
    object.faceIndices = {0, 1, 2, 0, 2, 3};
    object.vertexCount = 4;
    object.texCoordCount = 4;
    object.indexCount = 6;
    FaceGroup group;
    for (uint16_t triangle : grouped) {
        group.indices.insert(group.indices.end(), object.faceIndices.begin() + triangle * 3,
                             object.faceIndices.begin() + triangle * 3 + 3);
    }
    group.indexCount = static_cast<int32_t>(group.indices.size());
    object.groups = {group};
    object.groupCount = 1;
    return object;
}

Model ModelOf(std::vector<ModelObject> objects) {
    Model model;
    model.objects = std::move(objects);
    model.objectCount = static_cast<int32_t>(model.objects.size());
    return model;
}

class ModelDraw : public GlTest {
protected:
    void TearDown() override {
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
    }

    static bool Lit(int x, int y) { return PixelAt(x, y)[0] > 128; }
};

TEST_F(ModelDraw, PlacesTheModelWithItsPositionAndScale) {
    Model model = ModelOf({Square(0, 0, 0.5f)});
    model.position[0] = 0.5f;
    model.position[1] = -0.5f;
    model.scale = 0.5f;
    // Covers x 0.25 to 0.75 and y -0.75 to -0.25: pixels 500 to 700, 75 to 225.
    DrawModel(model);

    EXPECT_TRUE(Lit(600, 150));
    EXPECT_TRUE(Lit(505, 80));
    EXPECT_TRUE(Lit(695, 220));
    EXPECT_FALSE(Lit(495, 150));
    EXPECT_FALSE(Lit(600, 230));
    EXPECT_FALSE(Lit(400, 300));

    std::array<float, 16> matrix{};
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix.data());
    EXPECT_EQ(matrix, (std::array<float, 16>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
}

TEST_F(ModelDraw, ModelTurnsItsVerticesAboutZFirstAndObjectsAboutXFirst) {
    // Turning (0.5, 0, 0) by 90 degrees about z, then 180 about x, gives
    // (0, -0.5, 0); the other order gives (0, 0.5, 0).
    Model model = ModelOf({Square(0.5f, 0, 0.1f)});
    model.rotation[0] = 180;
    model.rotation[2] = 90;
    DrawModel(model);
    EXPECT_TRUE(Lit(400, 150));
    EXPECT_FALSE(Lit(400, 450));

    glClear(GL_COLOR_BUFFER_BIT);
    Model objectTurned = ModelOf({Square(0.5f, 0, 0.1f)});
    objectTurned.objects[0].rotation[0] = 180;
    objectTurned.objects[0].rotation[2] = 90;
    DrawModel(objectTurned);
    EXPECT_TRUE(Lit(400, 450));
    EXPECT_FALSE(Lit(400, 150));
}

TEST_F(ModelDraw, InvisibleModelsAndObjectsDrawNothing) {
    Model model = ModelOf({Square(-0.5f, 0, 0.25f), Square(0.5f, 0, 0.25f)});
    model.applyPolygonModes = true;
    model.frontMode = GL_LINE;
    model.visible = false;
    glColor4f(0.1f, 0.2f, 0.3f, 0.4f);
    DrawModel(model);

    EXPECT_FALSE(Lit(200, 300));
    EXPECT_FALSE(Lit(600, 300));
    std::array<float, 4> colour{};
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    EXPECT_EQ(colour, (std::array<float, 4>{0.1f, 0.2f, 0.3f, 0.4f}));
    std::array<GLint, 2> modes{};
    glGetIntegerv(GL_POLYGON_MODE, modes.data());
    EXPECT_EQ(modes[0], GL_FILL);
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));

    model.visible = true;
    model.frontMode = GL_FILL;
    model.objects[1].visible = false;
    DrawModel(model);
    EXPECT_TRUE(Lit(200, 300));
    EXPECT_FALSE(Lit(600, 300));
}

TEST_F(ModelDraw, BrightnessOfModelAndObjectMultiplyIntoGreyAndAlpha) {
    Model model = ModelOf({Square(0, 0, 0.5f)});
    model.brightness = 0.5f;
    model.objects[0].brightness = 0.5f;
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    DrawModel(model);

    std::array<float, 4> colour{};
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    EXPECT_EQ(colour, (std::array<float, 4>{0.25f, 0.25f, 0.25f, 0.25f}));
    // Grey 0.25 at alpha 0.25 over white: 0.25 * 0.25 + 0.75 = 0.8125.
    const auto pixel = PixelAt(400, 300);
    for (int channel = 0; channel < 3; ++channel) EXPECT_NEAR(pixel[channel], 207, 2);
}

TEST_F(ModelDraw, PolygonModesComeFromTheModelOnlyWhenAsked) {
    Model model = ModelOf({Square(0, 0, 0.5f)});
    model.frontMode = GL_LINE;
    model.backMode = GL_POINT;
    DrawModel(model);
    EXPECT_FALSE(Lit(450, 250));  // inside, away from the edges
    std::array<GLint, 2> modes{};
    glGetIntegerv(GL_POLYGON_MODE, modes.data());
    EXPECT_EQ(modes[0], GL_LINE);
    EXPECT_EQ(modes[1], GL_POINT);

    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    model.applyPolygonModes = false;
    DrawModel(model);
    EXPECT_TRUE(Lit(450, 250));
}

TEST_F(ModelDraw, DrawsOnlyTrianglesInAFaceGroup) {
    Model model = ModelOf({Square(0, 0, 0.5f, {0})});
    DrawModel(model);
    EXPECT_TRUE(Lit(550, 200));   // lower right triangle
    EXPECT_FALSE(Lit(250, 400));  // upper left triangle
}

TEST_F(ModelDraw, ObjectsWithoutFileCoordinatesUseTheirOwnPlanarOnes) {
    // A 2 x 1 texture: red for u below 0.5, green above.
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    const uint8_t texels[] = {255, 0, 0, 255, 0, 255, 0, 255};
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glEnable(GL_TEXTURE_2D);

    // The first object's shorter array, all green, is pointed at first.
    ModelObject fileCoordinates = Square(-0.8f, 0.8f, 0.05f);
    fileCoordinates.texCoords.assign(8, 0.75f);
    fileCoordinates.hasTexCoords = true;
    ModelObject planar = Square(0.5f, 0, 0.45f);  // u = x from 0.05 to 0.95
    Model model = ModelOf({fileCoordinates, planar});
    DrawModel(model);
    glDisable(GL_TEXTURE_2D);
    glDeleteTextures(1, &texture);

    const auto left = PixelAt(500, 300);  // x = 0.25
    const auto right = PixelAt(700, 300);  // x = 0.75
    EXPECT_EQ(left[0], 255);
    EXPECT_EQ(left[1], 0);
    EXPECT_EQ(right[0], 0);
    EXPECT_EQ(right[1], 255);
}

}  // namespace
