// The model table and the preparation of each mesh's vertex and normal arrays.
#include "model/model_table.h"

ModelRecord ModelTable[MODEL_COUNT];

void prepareMesh(ModelRecord *record)
{
    std::int32_t count = record->facetCount;
    std::size_t floats = static_cast<std::size_t>(count) * FLOATS_PER_FACET;
    // Both arrays exist even for an empty model, so every model is handled alike later.
    record->vertexArray = new float[floats];
    record->normalArray = new float[floats];
    for (std::int32_t i = 0; i < count; ++i)
    {
        const Facet &facet = record->facets[i];
        float *vertices = record->vertexArray + static_cast<std::size_t>(i) * FLOATS_PER_FACET;
        float *normals = record->normalArray + static_cast<std::size_t>(i) * FLOATS_PER_FACET;
        const float *corners[3] = {facet.v1, facet.v2, facet.v3};
        for (int corner = 0; corner < 3; ++corner)
        {
            for (int axis = 0; axis < 3; ++axis)
            {
                vertices[corner * 3 + axis] = corners[corner][axis];
                normals[corner * 3 + axis] = facet.normal[axis];
            }
        }
    }
}
