#include <array>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "gl/Handle.h"
#include "support/GLContext.h"

using orv::gl::Handle;
using orv::gl::Kind;
using orv::gl::liveObjects;

namespace {

// A generated name is only an object once bound (or, for a query, used);
// the test binds each one so that glIs* can tell it exists.
template <Kind K>
Handle<K> makeObject()
{
    Handle<K> handle;
    if constexpr (K == Kind::Shader)
        handle = Handle<K>::create(GL_VERTEX_SHADER);
    else
        handle = Handle<K>::create();
    const GLuint name = handle.name();
    switch (K) {
    case Kind::Buffer: glBindBuffer(GL_ARRAY_BUFFER, name); glBindBuffer(GL_ARRAY_BUFFER, 0); break;
    case Kind::VertexArray: glBindVertexArray(name); glBindVertexArray(0); break;
    case Kind::Texture: glBindTexture(GL_TEXTURE_2D, name); glBindTexture(GL_TEXTURE_2D, 0); break;
    case Kind::Framebuffer: glBindFramebuffer(GL_FRAMEBUFFER, name); glBindFramebuffer(GL_FRAMEBUFFER, 0); break;
    case Kind::Renderbuffer: glBindRenderbuffer(GL_RENDERBUFFER, name); glBindRenderbuffer(GL_RENDERBUFFER, 0); break;
    case Kind::TransformFeedback:
        glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, name);
        glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, 0);
        break;
    case Kind::Query: glQueryCounter(name, GL_TIMESTAMP); break;
    case Kind::Shader:
    case Kind::Program: break;
    }
    return handle;
}

bool isObject(Kind kind, GLuint name)
{
    switch (kind) {
    case Kind::Buffer: return glIsBuffer(name) == GL_TRUE;
    case Kind::VertexArray: return glIsVertexArray(name) == GL_TRUE;
    case Kind::Texture: return glIsTexture(name) == GL_TRUE;
    case Kind::Framebuffer: return glIsFramebuffer(name) == GL_TRUE;
    case Kind::Renderbuffer: return glIsRenderbuffer(name) == GL_TRUE;
    case Kind::TransformFeedback: return glIsTransformFeedback(name) == GL_TRUE;
    case Kind::Query: return glIsQuery(name) == GL_TRUE;
    case Kind::Shader: return glIsShader(name) == GL_TRUE;
    case Kind::Program: return glIsProgram(name) == GL_TRUE;
    }
    return false;
}

// The label GL keeps for an object, read with the identifier GL documents for its kind.
std::string labelOf(Kind kind, GLuint name)
{
    constexpr std::array<GLenum, orv::gl::kindCount> identifiers = {
        GL_BUFFER, GL_VERTEX_ARRAY, GL_TEXTURE, GL_FRAMEBUFFER, GL_RENDERBUFFER,
        GL_TRANSFORM_FEEDBACK, GL_QUERY, GL_SHADER, GL_PROGRAM};
    std::array<char, 64> text{};
    GLsizei length = 0;
    glGetObjectLabel(identifiers[static_cast<std::size_t>(kind)], name, static_cast<GLsizei>(text.size()), &length,
                     text.data());
    return std::string(text.data(), static_cast<std::size_t>(length));
}

template <typename T>
class HandleTest : public orv::test::GLTest {};

template <Kind K>
using KindTag = std::integral_constant<Kind, K>;
using Kinds = ::testing::Types<KindTag<Kind::Buffer>, KindTag<Kind::VertexArray>, KindTag<Kind::Texture>,
                               KindTag<Kind::Framebuffer>, KindTag<Kind::Renderbuffer>,
                               KindTag<Kind::TransformFeedback>, KindTag<Kind::Query>, KindTag<Kind::Shader>,
                               KindTag<Kind::Program>>;
TYPED_TEST_SUITE(HandleTest, Kinds);

TYPED_TEST(HandleTest, OwnsItsObjectThroughMovesAndReassignmentAndDeletesItExactlyOnce)
{
    constexpr Kind kind = TypeParam::value;
    const long before = liveObjects(kind);
    {
        Handle<kind> empty;
        EXPECT_FALSE(empty);
        EXPECT_EQ(empty.name(), 0u);
    }
    EXPECT_EQ(liveObjects(kind), before);

    GLuint first = 0;
    GLuint second = 0;
    {
        Handle<kind> a = makeObject<kind>();
        first = a.name();
        ASSERT_NE(first, 0u);
        EXPECT_TRUE(isObject(kind, first));
        EXPECT_EQ(liveObjects(kind), before + 1);
        a.label("probe");
        EXPECT_EQ(labelOf(kind, first), "probe");

        // Moving hands the object on; the source deletes nothing afterwards.
        Handle<kind> b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(b.name(), first);
        a.reset();
        EXPECT_TRUE(isObject(kind, first));
        EXPECT_EQ(liveObjects(kind), before + 1);

        // A handle given another object deletes the one it had.
        b = makeObject<kind>();
        second = b.name();
        EXPECT_NE(second, first);
        EXPECT_FALSE(isObject(kind, first));
        EXPECT_TRUE(isObject(kind, second));
        EXPECT_EQ(liveObjects(kind), before + 1);

        // Move-assigned over a live handle: its object goes, the moved one stays.
        Handle<kind> c = makeObject<kind>();
        const GLuint third = c.name();
        EXPECT_EQ(liveObjects(kind), before + 2);
        c = std::move(b);
        EXPECT_FALSE(b);
        EXPECT_EQ(c.name(), second);
        EXPECT_FALSE(isObject(kind, third));
        EXPECT_EQ(liveObjects(kind), before + 1);

        Handle<kind>& same = c;
        c = std::move(same);
        EXPECT_EQ(c.name(), second);
        EXPECT_TRUE(isObject(kind, second));
    }
    EXPECT_FALSE(isObject(kind, second));
    EXPECT_EQ(liveObjects(kind), before);
}

}  // namespace
