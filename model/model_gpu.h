// The models on the GPU: one pair of buffer objects per model, and drawing a whole model.
// Needs the window's GL context current.
#pragma once

#include <cstdint>

// Copies every model's vertex and normal arrays into its pair of buffer objects, generating the
// pair first unless the record already names buffers.
void uploadModelBuffers();

// Draws model `k` whole from its buffers, at the current matrix and colour.
void drawModel(std::int32_t k);
