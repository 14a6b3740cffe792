#include "model/gl/ModelDraw.h"

#include <GL/gl.h>

#include <algorithm>

void DrawModel(const Model& model) {
    if (!model.visible) return;

    glPushMatrix();
    if (model.applyPolygonModes) {
        glPolygonMode(GL_FRONT, static_cast<GLenum>(model.frontMode));
        glPolygonMode(GL_BACK, static_cast<GLenum>(model.backMode));
    }
    // Call order x, y, z: the vertices turn about z first.
    glTranslatef(model.position[0], model.position[1], model.position[2]);
    glRotatef(model.rotation[0], 1.0f, 0.0f, 0.0f);
    glRotatef(model.rotation[1], 0.0f, 1.0f, 0.0f);
    glRotatef(model.rotation[2], 0.0f, 0.0f, 1.0f);
    glScalef(model.scale, model.scale, model.scale);

    for (const ModelObject& object : model.objects) {
        if (!object.visible) continue;
        const float grey = object.brightness * model.brightness;
        glColor4f(grey, grey, grey, grey);

        // Every loaded object has a coordinate pair per vertex (its own
        // planar ones when the file had none), so the texture coordinate
        // array always points at this object's coordinates and never at an
        // earlier, possibly shorter, array.
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_VERTEX_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, object.texCoords.data());
        glNormalPointer(GL_FLOAT, 0, object.normals.data());
        glVertexPointer(3, GL_FLOAT, 0, object.vertices.data());

        for (const FaceGroup& group : object.groups) {
            glPushMatrix();
            // Call order z, y, x: the vertices turn about x first.
            glTranslatef(object.position[0], object.position[1], object.position[2]);
            glRotatef(object.rotation[2], 0.0f, 0.0f, 1.0f);
            glRotatef(object.rotation[1], 0.0f, 1.0f, 0.0f);
            glRotatef(object.rotation[0], 1.0f, 0.0f, 0.0f);
            const size_t count = std::min(group.indices.size(), static_cast<size_t>(std::max(group.indexCount, 0)));
            glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count), GL_UNSIGNED_SHORT, group.indices.data());
            glPopMatrix();
        }
    }

    glPopMatrix();
}
