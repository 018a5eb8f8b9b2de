// Model upload and drawing. The buffer-object entry points are resolved by epoxy on their first
// call, which comes after the window's GL context exists.
#include "model/model_gpu.h"

#include "model/model_table.h"
#include "platform/sleep.h"

#include "platform/gl.h"

static_assert(sizeof(GLuint) == sizeof(std::uint32_t), "buffer names fit the record's fields");

// Bytes in one of a model's two buffers: nine floats per facet.
static GLsizeiptr bufferBytes(const ModelRecord &record)
{
    return static_cast<GLsizeiptr>(record.facetCount) * FLOATS_PER_FACET *
           static_cast<GLsizeiptr>(sizeof(float));
}

void uploadModelBuffers()
{
    for (ModelRecord &record : ModelTable)
    {
        if (!glIsBuffer(record.vertexBuffer) && !glIsBuffer(record.normalBuffer))
        {
            glGenBuffers(2, &record.vertexBuffer); // fills vertexBuffer and normalBuffer
        }
        glBindBuffer(GL_ARRAY_BUFFER, record.vertexBuffer);
        glBufferData(GL_ARRAY_BUFFER, bufferBytes(record), record.vertexArray, GL_STATIC_DRAW);
        // The pause between the two uploads is deliberate.
        platformSleep(100);
        glBindBuffer(GL_ARRAY_BUFFER, record.normalBuffer);
        glBufferData(GL_ARRAY_BUFFER, bufferBytes(record), record.normalArray, GL_STATIC_DRAW);
    }
    // Nothing is unbound: the last normal buffer stays bound.
}

void drawModel(std::int32_t k)
{
    const ModelRecord &record = ModelTable[k];
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, record.vertexBuffer);
    glVertexPointer(3, GL_FLOAT, 0, nullptr);
    glBindBuffer(GL_ARRAY_BUFFER, record.normalBuffer);
    glNormalPointer(GL_FLOAT, 0, nullptr);
    glDrawArrays(GL_TRIANGLES, 0, 3 * record.facetCount);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
}
