#include <cmath>

#include <gtest/gtest.h>
#include <glm/geometric.hpp>

#include "ImportedMesh.h"
#include "render/Target.h"
#include "support/SceneRig.h"
#include "render/Target.h"
#include "scene/Mesh.h"
#include "scene/Scene.h"
#include "support/GLContext.h"

namespace {

using orv::scene::Mesh;
using orv::test::importedMesh;
using orv::test::setTexCoords;

const std::vector<glm::vec3> quad{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
const std::vector<glm::vec3> up4(4, glm::vec3(0, 0, 1));

void expectNear(const glm::vec3& actual, const glm::vec3& expected, const char* what, std::size_t vertex)
{
    EXPECT_NEAR(glm::length(actual - expected), 0.0f, 1e-5f)
        << what << " of vertex " << vertex << " is (" << actual.x << ", " << actual.y << ", " << actual.z << ")";
}

bool finite(const glm::vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

TEST(MeshCreate, TakesVerticesAndTrianglesOnly)
{
    auto imported = importedMesh("Pillar_01", quad, up4, {{0, 1, 2}, {0, 1, 2, 3}, {3, 1}, {0, 2, 3}, {2}});
    auto mesh = Mesh::create(*imported);
    EXPECT_EQ(mesh->name(), "Pillar_01");
    EXPECT_EQ(mesh->positions(), quad);
    EXPECT_EQ(mesh->normals(), up4);
    EXPECT_EQ(mesh->indices(), (std::vector<GLuint>{0, 1, 2, 0, 2, 3}));
    EXPECT_FALSE(mesh->hasTexCoords());
    EXPECT_FALSE(mesh->hasTangents());
}

TEST(MeshCreate, MissingNormalsBecomeZeroVectors)
{
    auto mesh = Mesh::create(*importedMesh("bare", quad, {}, {{0, 1, 2}}));
    EXPECT_EQ(mesh->normals(), std::vector<glm::vec3>(4, glm::vec3(0.0f)));
}

TEST(MeshTexCoords, ComeFromTheGivenChannelOnce)
{
    auto imported = importedMesh("m", quad, up4, {{0, 1, 2}});
    setTexCoords(*imported, 0, {{9, 9}, {9, 9}, {9, 9}, {9, 9}});
    setTexCoords(*imported, 2, {{0, 0}, {0.5f, 0}, {0.5f, 1}, {0, 1}});
    auto mesh = Mesh::create(*imported);

    mesh->loadTexCoords(1, *imported);  // a channel without coordinates
    EXPECT_FALSE(mesh->hasTexCoords());

    mesh->loadTexCoords(2, *imported);
    EXPECT_EQ(mesh->texCoords(), (std::vector<glm::vec2>{{0, 0}, {0.5f, 0}, {0.5f, 1}, {0, 1}}));
    mesh->loadTexCoords(0, *imported);
    EXPECT_EQ(mesh->texCoords()[1], glm::vec2(0.5f, 0));
}

std::shared_ptr<Mesh> quadMesh(const std::vector<glm::vec2>& uv)
{
    auto imported = importedMesh("quad", quad, up4, {{0, 1, 2}, {0, 2, 3}});
    setTexCoords(*imported, 0, uv);
    auto mesh = Mesh::create(*imported);
    mesh->loadTexCoords(0, *imported);
    return mesh;
}

TEST(MeshTangents, FollowTheTextureDirections)
{
    struct Case {
        std::vector<glm::vec2> uv;
        glm::vec3 tangent, bitangent;
    };
    const Case cases[] = {
        {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {1, 0, 0}, {0, 1, 0}},
        {{{0, 0}, {4, 0}, {4, 2}, {0, 2}}, {1, 0, 0}, {0, 1, 0}},      // scale does not matter
        {{{0, 0}, {0, 1}, {1, 1}, {1, 0}}, {0, 1, 0}, {1, 0, 0}},      // u and v swapped
        {{{1, 0}, {0, 0}, {0, 1}, {1, 1}}, {-1, 0, 0}, {0, 1, 0}},     // mirrored in u
    };
    for (const Case& c : cases) {
        auto mesh = quadMesh(c.uv);
        mesh->computeTangents();
        ASSERT_EQ(mesh->tangents().size(), 4u);
        ASSERT_EQ(mesh->bitangents().size(), 4u);
        for (std::size_t i = 0; i < 4; ++i) {
            expectNear(mesh->tangents()[i], c.tangent, "tangent", i);
            expectNear(mesh->bitangents()[i], c.bitangent, "bitangent", i);
        }
    }
}

TEST(MeshTangents, SharedVerticesAverageTheirTriangles)
{
    // Two triangles folded along the edge p0-p2: one in the XY plane, one in the YZ plane.
    const std::vector<glm::vec3> positions{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    auto imported = importedMesh("fold", positions, up4, {{0, 1, 2}, {0, 3, 2}});
    setTexCoords(*imported, 0, {{0, 0}, {1, 0}, {0, 1}, {1, 0}});
    auto mesh = Mesh::create(*imported);
    mesh->loadTexCoords(0, *imported);
    mesh->computeTangents();

    const float h = std::sqrt(0.5f);
    expectNear(mesh->tangents()[0], {h, 0, h}, "tangent", 0);
    expectNear(mesh->tangents()[1], {1, 0, 0}, "tangent", 1);
    expectNear(mesh->tangents()[2], {h, 0, h}, "tangent", 2);
    expectNear(mesh->tangents()[3], {0, 0, 1}, "tangent", 3);
    for (std::size_t i = 0; i < 4; ++i)
        expectNear(mesh->bitangents()[i], {0, 1, 0}, "bitangent", i);
}

TEST(MeshTangents, DegenerateTrianglesAddNothingAndNeverNaN)
{
    const std::vector<glm::vec3> positions{
        {0, 0, 0}, {1, 0, 0}, {0, 1, 0},  // a good triangle
        {5, 5, 5}, {6, 5, 5},             // vertex 3 shares its texture coordinate with 4
        {7, 7, 7},                         // only in a triangle of zero area
        {8, 8, 8},                         // in no triangle, and without a normal
    };
    std::vector<glm::vec3> normals(positions.size(), glm::vec3(0, 0, 1));
    normals[6] = glm::vec3(0.0f);
    auto imported = importedMesh("degenerate", positions, normals,
                                 {{0, 1, 2}, {0, 3, 4}, {1, 3, 4}, {5, 5, 5}, {2, 5, 5}});
    setTexCoords(*imported, 0, {{0, 0}, {1, 0}, {0, 1}, {3, 3}, {3, 3}, {0.2f, 0.7f}, {0, 0}});
    auto mesh = Mesh::create(*imported);
    mesh->loadTexCoords(0, *imported);
    mesh->computeTangents();

    ASSERT_EQ(mesh->tangents().size(), positions.size());
    for (std::size_t i = 0; i < positions.size(); ++i) {
        EXPECT_TRUE(finite(mesh->tangents()[i])) << "tangent of vertex " << i;
        EXPECT_TRUE(finite(mesh->bitangents()[i])) << "bitangent of vertex " << i;
    }
    // The degenerate triangles did not disturb the good one's vertices.
    for (std::size_t i = 0; i < 3; ++i) {
        expectNear(mesh->tangents()[i], {1, 0, 0}, "tangent", i);
        expectNear(mesh->bitangents()[i], {0, 1, 0}, "bitangent", i);
    }
    // Vertices with no usable triangle get a unit basis perpendicular to their normal.
    for (std::size_t i : {3u, 4u, 5u}) {
        EXPECT_NEAR(glm::length(mesh->tangents()[i]), 1.0f, 1e-5f) << i;
        EXPECT_NEAR(glm::length(mesh->bitangents()[i]), 1.0f, 1e-5f) << i;
        EXPECT_NEAR(glm::dot(mesh->tangents()[i], normals[i]), 0.0f, 1e-5f) << i;
        EXPECT_NEAR(glm::dot(mesh->bitangents()[i], mesh->tangents()[i]), 0.0f, 1e-5f) << i;
    }
    // ...and zero vectors when there is no normal to build one on.
    EXPECT_EQ(mesh->tangents()[6], glm::vec3(0.0f));
    EXPECT_EQ(mesh->bitangents()[6], glm::vec3(0.0f));
}

TEST(MeshTangents, NeedTextureCoordinates)
{
    auto mesh = Mesh::create(*importedMesh("plain", quad, up4, {{0, 1, 2}}));
    mesh->computeTangents();
    EXPECT_FALSE(mesh->hasTangents());
    EXPECT_TRUE(mesh->bitangents().empty());
}

// ---- GPU side -------------------------------------------------------------

using MeshUpload = orv::test::GLTest;

struct AttributeState {
    GLint enabled, size, type, stride, normalized, buffer;
    void* pointer;
};

AttributeState attribute(GLuint location)
{
    AttributeState s{};
    glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &s.enabled);
    glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_SIZE, &s.size);
    glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_TYPE, &s.type);
    glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &s.stride);
    glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_NORMALIZED, &s.normalized);
    glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &s.buffer);
    glGetVertexAttribPointerv(location, GL_VERTEX_ATTRIB_ARRAY_POINTER, &s.pointer);
    return s;
}

template <typename T>
std::vector<T> readBuffer(GLuint buffer, std::size_t count)
{
    std::vector<T> data(count);
    GLint bytes = 0;
    glBindBuffer(GL_COPY_READ_BUFFER, buffer);
    glGetBufferParameteriv(GL_COPY_READ_BUFFER, GL_BUFFER_SIZE, &bytes);
    EXPECT_EQ(static_cast<std::size_t>(bytes), count * sizeof(T));
    GLint usage = 0;
    glGetBufferParameteriv(GL_COPY_READ_BUFFER, GL_BUFFER_USAGE, &usage);
    EXPECT_EQ(usage, GL_STATIC_DRAW);
    glGetBufferSubData(GL_COPY_READ_BUFFER, 0, static_cast<GLsizeiptr>(count * sizeof(T)), data.data());
    glBindBuffer(GL_COPY_READ_BUFFER, 0);
    return data;
}

template <typename T>
void expectAttribute(GLuint location, GLint components, const std::vector<T>& expected)
{
    SCOPED_TRACE("attribute " + std::to_string(location));
    const AttributeState s = attribute(location);
    EXPECT_EQ(s.enabled, GL_TRUE);
    EXPECT_EQ(s.size, components);
    EXPECT_EQ(s.type, GL_FLOAT);
    EXPECT_EQ(s.stride, static_cast<GLint>(components * sizeof(float)));
    EXPECT_EQ(s.normalized, GL_FALSE);
    EXPECT_EQ(s.pointer, nullptr);
    ASSERT_NE(s.buffer, 0);
    EXPECT_EQ(readBuffer<T>(static_cast<GLuint>(s.buffer), expected.size()), expected);
}

void expectAbsent(GLuint location)
{
    const AttributeState s = attribute(location);
    EXPECT_EQ(s.enabled, GL_FALSE) << "attribute " << location;
    EXPECT_EQ(s.buffer, 0) << "attribute " << location;
}

GLint boundElementBuffer()
{
    GLint binding = -1;
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &binding);
    return binding;
}

TEST_F(MeshUpload, FullMeshHasFiveSeparateAttributes)
{
    auto mesh = quadMesh({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    mesh->computeTangents();
    mesh->upload();

    mesh->bind();
    expectAttribute(0, 3, mesh->positions());
    expectAttribute(1, 3, mesh->normals());
    expectAttribute(2, 2, mesh->texCoords());
    expectAttribute(3, 3, mesh->tangents());
    expectAttribute(4, 3, mesh->bitangents());
    EXPECT_EQ(boundElementBuffer(), 0);
    mesh->unbind();

    GLint vertexArray = -1;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    EXPECT_EQ(vertexArray, 0);
    EXPECT_EQ(readBuffer<GLuint>(mesh->indexBuffer(), 6), mesh->indices());
}

TEST_F(MeshUpload, OptionalAttributesOnlyWithData)
{
    auto plain = Mesh::create(*importedMesh("plain", quad, up4, {{0, 1, 2}}));
    plain->upload();
    plain->bind();
    expectAttribute(0, 3, plain->positions());
    expectAttribute(1, 3, plain->normals());
    for (GLuint location : {2u, 3u, 4u})
        expectAbsent(location);
    EXPECT_EQ(boundElementBuffer(), 0);

    auto textured = quadMesh({{0, 0}, {1, 0}, {1, 1}, {0, 1}});  // no normal map, so no tangents
    textured->upload();
    textured->bind();
    expectAttribute(2, 2, textured->texCoords());
    expectAbsent(3);
    expectAbsent(4);
    textured->unbind();
}

GLuint compile(GLenum stage, const char* source)
{
    const GLuint shader = glCreateShader(stage);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

// A pass that only lends its name; a mesh's own draw reads nothing from it.
class IdlePass : public orv::render::Target {
public:
    using Target::Target;
    std::string name() const override { return "idle"; }
};

TEST_F(MeshUpload, DrawIssuesEveryIndexAsTriangles)
{
    orv::test::SceneRig rig;  // its context is current from here on
    IdlePass pass(*rig.programs);
    // A cube: 8 corners, 12 triangles, 36 indices.
    std::vector<glm::vec3> corners;
    for (int i = 0; i < 8; ++i)
        corners.emplace_back(i & 1 ? 0.5f : -0.5f, i & 2 ? 0.5f : -0.5f, i & 4 ? 0.5f : -0.5f);
    const std::vector<std::vector<unsigned>> faces{{0, 1, 3}, {0, 3, 2}, {4, 6, 7}, {4, 7, 5}, {0, 4, 5}, {0, 5, 1},
                                                   {2, 3, 7}, {2, 7, 6}, {0, 2, 6}, {0, 6, 4}, {1, 5, 7}, {1, 7, 3}};
    auto mesh = Mesh::create(*importedMesh("cube", corners, std::vector<glm::vec3>(8, glm::vec3(0, 0, 1)), faces));
    ASSERT_EQ(mesh->indices().size(), 36u);
    mesh->upload();

    const GLuint program = glCreateProgram();
    const GLuint vs = compile(GL_VERTEX_SHADER,
                              "#version 440 core\nlayout(location = 0) in vec3 p;\n"
                              "void main() { gl_Position = vec4(p, 1.0); }\n");
    const GLuint fs = compile(GL_FRAGMENT_SHADER,
                              "#version 440 core\nout vec4 c;\nvoid main() { c = vec4(1.0); }\n");
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    ASSERT_EQ(linked, GL_TRUE);
    glUseProgram(program);

    GLuint query = 0;
    glGenQueries(1, &query);
    mesh->bind();
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    // A mesh draws with neither scene nor target state; it only needs the bound vertex array.
    mesh->draw(*rig.scene, pass);
    glEndQuery(GL_PRIMITIVES_GENERATED);
    EXPECT_EQ(boundElementBuffer(), 0);
    mesh->unbind();

    GLuint primitives = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &primitives);
    EXPECT_EQ(primitives, 12u);

    glUseProgram(0);
    glDeleteQueries(1, &query);
    glDeleteProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
}

}  // namespace
