#pragma once

#include <memory>
#include <string>
#include <vector>

#include <GL/glew.h>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "gl/Handle.h"
#include "scene/Drawable.h"

struct aiMesh;

namespace orv::scene {

class MeshInstance;
class Texture;

// One triangle mesh held in GPU buffers, one buffer per vertex attribute:
// 0 positions, 1 normals, 2 texture coordinates, 3 tangents, 4 bitangents
// (2 to 4 only when there is data for them). The CPU-side lists are kept.
class Mesh : public Drawable, public std::enable_shared_from_this<Mesh> {
public:
    // Positions, normals and the triangles of an imported mesh; faces that
    // are not triangles are skipped. Nothing is uploaded yet.
    static std::shared_ptr<Mesh> create(const aiMesh& imported);

    // Takes the first two components of the given texture-coordinate channel,
    // unless coordinates are already loaded or the channel holds none.
    void loadTexCoords(unsigned channel, const aiMesh& imported);
    // One tangent and bitangent per vertex, from the triangles that use it.
    // Does nothing without texture coordinates or when tangents exist.
    void computeTangents();
    bool hasTexCoords() const { return !texCoords_.empty(); }
    bool hasTangents() const { return !tangents_.empty(); }

    // Creates the vertex array and buffers. Called once, after all lists are filled.
    void upload();
    void bind() const;
    void unbind() const;

    // Needs the mesh to be owned by a shared pointer.
    std::shared_ptr<MeshInstance> createInstance();

    // The indexed draw call only; the caller has bound the vertex array.
    void draw(Scene& scene, render::Target& target) override;

    const std::string& name() const { return name_; }
    void setTargets(const std::vector<std::string>& targets) { targets_ = targets; }
    const std::vector<std::string>& targets() const { return targets_; }
    void setParallax(bool parallax) { parallax_ = parallax; }
    bool parallax() const { return parallax_; }
    void setLightSource(bool lightSource) { lightSource_ = lightSource; }
    bool isLightSource() const { return lightSource_; }
    // Mirror and glass meshes: show a cube of the room rendered from where
    // they stand instead of the bare sky.
    void setEnvironmentCube(bool environmentCube) { environmentCube_ = environmentCube; }
    bool environmentCube() const { return environmentCube_; }
    // Spin about X, Y and Z in radians per second.
    void setRotation(const glm::vec3& rotation) { rotation_ = rotation; }
    const glm::vec3& rotation() const { return rotation_; }

    void setDiffuseMap(const std::shared_ptr<Texture>& texture) { diffuseMap_ = texture; }
    void setNormalMap(const std::shared_ptr<Texture>& texture) { normalMap_ = texture; }
    void setSpecularMap(const std::shared_ptr<Texture>& texture) { specularMap_ = texture; }
    void setDisplacementMap(const std::shared_ptr<Texture>& texture) { displacementMap_ = texture; }
    const std::shared_ptr<Texture>& diffuseMap() const { return diffuseMap_; }
    const std::shared_ptr<Texture>& normalMap() const { return normalMap_; }
    const std::shared_ptr<Texture>& specularMap() const { return specularMap_; }
    const std::shared_ptr<Texture>& displacementMap() const { return displacementMap_; }

    const std::vector<glm::vec3>& positions() const { return positions_; }
    const std::vector<glm::vec3>& normals() const { return normals_; }
    const std::vector<glm::vec3>& tangents() const { return tangents_; }
    const std::vector<glm::vec3>& bitangents() const { return bitangents_; }
    const std::vector<glm::vec2>& texCoords() const { return texCoords_; }
    const std::vector<GLuint>& indices() const { return indices_; }
    GLuint vertexArray() const { return vertexArray_.name(); }
    GLuint indexBuffer() const { return indexBuffer_.name(); }

private:
    template <typename T>
    gl::BufferHandle uploadAttribute(GLuint location, const std::vector<T>& data, GLint components, const char* label);

    std::string name_;
    std::vector<std::string> targets_;
    bool parallax_ = false;
    bool lightSource_ = false;
    bool environmentCube_ = false;
    glm::vec3 rotation_{0.0f};
    std::vector<glm::vec3> positions_;
    std::vector<glm::vec3> normals_;
    std::vector<glm::vec3> tangents_;
    std::vector<glm::vec3> bitangents_;
    std::vector<glm::vec2> texCoords_;
    std::vector<GLuint> indices_;
    gl::VertexArrayHandle vertexArray_;
    gl::BufferHandle positionBuffer_;
    gl::BufferHandle normalBuffer_;
    gl::BufferHandle texCoordBuffer_;
    gl::BufferHandle tangentBuffer_;
    gl::BufferHandle bitangentBuffer_;
    gl::BufferHandle indexBuffer_;
    std::shared_ptr<Texture> diffuseMap_;
    std::shared_ptr<Texture> specularMap_;
    std::shared_ptr<Texture> displacementMap_;
    std::shared_ptr<Texture> normalMap_;
};

}  // namespace orv::scene
