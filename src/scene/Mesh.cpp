#include "scene/Mesh.h"

#include <cmath>
#include <string>

#include <assimp/mesh.h>
#include <glm/geometric.hpp>

#include "scene/MeshInstance.h"

namespace orv::scene {

namespace {

bool usable(const glm::vec3& v, float length)
{
    return std::isfinite(length) && length > 0.0f && std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Unit vector or, when v cannot be normalised, the zero vector.
glm::vec3 normalisedOrZero(const glm::vec3& v)
{
    const float length = glm::length(v);
    return usable(v, length) ? v / length : glm::vec3(0.0f);
}

}  // namespace

std::shared_ptr<Mesh> Mesh::create(const aiMesh& imported)
{
    auto mesh = std::make_shared<Mesh>();
    mesh->name_ = imported.mName.C_Str();
    mesh->positions_.reserve(imported.mNumVertices);
    mesh->normals_.reserve(imported.mNumVertices);
    for (unsigned i = 0; i < imported.mNumVertices; ++i) {
        const aiVector3D& p = imported.mVertices[i];
        mesh->positions_.emplace_back(p.x, p.y, p.z);
        // An importer gives no normals when the file has none and they were
        // not generated; zero normals keep attribute 1 parallel to positions.
        if (imported.mNormals) {
            const aiVector3D& n = imported.mNormals[i];
            mesh->normals_.emplace_back(n.x, n.y, n.z);
        } else {
            mesh->normals_.emplace_back(0.0f);
        }
    }
    for (unsigned f = 0; f < imported.mNumFaces; ++f) {
        const aiFace& face = imported.mFaces[f];
        if (face.mNumIndices != 3)
            continue;
        mesh->indices_.insert(mesh->indices_.end(), face.mIndices, face.mIndices + 3);
    }
    return mesh;
}

void Mesh::loadTexCoords(unsigned channel, const aiMesh& imported)
{
    if (!texCoords_.empty() || channel >= AI_MAX_NUMBER_OF_TEXTURECOORDS || !imported.mTextureCoords[channel])
        return;
    texCoords_.reserve(imported.mNumVertices);
    for (unsigned i = 0; i < imported.mNumVertices; ++i) {
        const aiVector3D& t = imported.mTextureCoords[channel][i];
        texCoords_.emplace_back(t.x, t.y);
    }
}

void Mesh::computeTangents()
{
    if (!tangents_.empty() || texCoords_.empty())
        return;
    const std::size_t count = positions_.size();
    tangents_.assign(count, glm::vec3(0.0f));
    bitangents_.assign(count, glm::vec3(0.0f));

    // Each vertex sums the unit tangents of the triangles that use it.
    // Degenerate triangles (no texture-coordinate area, or a result that
    // cannot be normalised) add nothing.
    for (std::size_t k = 0; k + 2 < indices_.size(); k += 3) {
        const GLuint i0 = indices_[k], i1 = indices_[k + 1], i2 = indices_[k + 2];
        if (i0 >= count || i1 >= count || i2 >= count || i0 >= texCoords_.size() || i1 >= texCoords_.size()
            || i2 >= texCoords_.size())
            continue;
        const glm::vec3 e1 = positions_[i1] - positions_[i0];
        const glm::vec3 e2 = positions_[i2] - positions_[i0];
        const glm::vec2 d1 = texCoords_[i1] - texCoords_[i0];
        const glm::vec2 d2 = texCoords_[i2] - texCoords_[i0];
        const float determinant = d1.x * d2.y - d2.x * d1.y;
        if (determinant == 0.0f || !std::isfinite(determinant))
            continue;
        const float r = 1.0f / determinant;
        const glm::vec3 tangent = normalisedOrZero((e1 * d2.y - e2 * d1.y) * r);
        const glm::vec3 bitangent = normalisedOrZero((e2 * d1.x - e1 * d2.x) * r);
        if (tangent == glm::vec3(0.0f) || bitangent == glm::vec3(0.0f))
            continue;
        for (const GLuint i : {i0, i1, i2}) {
            tangents_[i] += tangent;
            bitangents_[i] += bitangent;
        }
    }

    // Vertices without a usable sum (unused, only in degenerate triangles, or
    // whose contributions cancel) get an arbitrary basis perpendicular to the
    // normal, so that shaders never normalise a zero vector; with no usable
    // normal either they keep zero vectors.
    for (std::size_t i = 0; i < count; ++i) {
        tangents_[i] = normalisedOrZero(tangents_[i]);
        bitangents_[i] = normalisedOrZero(bitangents_[i]);
        if (tangents_[i] != glm::vec3(0.0f) && bitangents_[i] != glm::vec3(0.0f))
            continue;
        const glm::vec3 normal = i < normals_.size() ? normalisedOrZero(normals_[i]) : glm::vec3(0.0f);
        if (normal == glm::vec3(0.0f)) {
            tangents_[i] = bitangents_[i] = glm::vec3(0.0f);
            continue;
        }
        const glm::vec3 helper = std::abs(normal.x) < 0.9f ? glm::vec3(1.0f, 0.0f, 0.0f) : glm::vec3(0.0f, 1.0f, 0.0f);
        tangents_[i] = glm::normalize(glm::cross(helper, normal));
        bitangents_[i] = glm::cross(normal, tangents_[i]);
    }
}

template <typename T>
gl::BufferHandle Mesh::uploadAttribute(GLuint location, const std::vector<T>& data, GLint components,
                                       const char* label)
{
    gl::BufferHandle buffer = gl::BufferHandle::create();
    glBindBuffer(GL_ARRAY_BUFFER, buffer.name());
    buffer.label("mesh " + name_ + " " + label);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.size() * sizeof(T)), data.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(location);
    glVertexAttribPointer(location, components, GL_FLOAT, GL_FALSE, static_cast<GLsizei>(sizeof(T)), nullptr);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return buffer;
}

void Mesh::upload()
{
    vertexArray_ = gl::VertexArrayHandle::create();
    glBindVertexArray(vertexArray_.name());
    const std::string label = "mesh " + name_;
    vertexArray_.label(label);

    positionBuffer_ = uploadAttribute(0, positions_, 3, "positions");
    normalBuffer_ = uploadAttribute(1, normals_, 3, "normals");
    if (!texCoords_.empty())
        texCoordBuffer_ = uploadAttribute(2, texCoords_, 2, "texture coordinates");
    if (!tangents_.empty())
        tangentBuffer_ = uploadAttribute(3, tangents_, 3, "tangents");
    if (!bitangents_.empty())
        bitangentBuffer_ = uploadAttribute(4, bitangents_, 3, "bitangents");

    // Unbound again while the vertex array is bound, so that it does not keep
    // the element buffer: draw binds it itself.
    indexBuffer_ = gl::BufferHandle::create();
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_.name());
    indexBuffer_.label(label + " indices");
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices_.size() * sizeof(GLuint)), indices_.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);

    glBindVertexArray(0);
}

void Mesh::bind() const
{
    glBindVertexArray(vertexArray_.name());
}

void Mesh::unbind() const
{
    glBindVertexArray(0);
}

std::shared_ptr<MeshInstance> Mesh::createInstance()
{
    return std::make_shared<MeshInstance>(shared_from_this());
}

void Mesh::draw(Scene&, render::Target&)
{
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_.name());
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices_.size()), GL_UNSIGNED_INT, nullptr);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

}  // namespace orv::scene
