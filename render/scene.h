// The GL state every frame is drawn under: lighting, material, culling and the projection.
#pragma once

// Sets the GL state once, then uploads the models' buffers and makes the stones' buffer. Needs the
// window's context.
void initScene();

// The reshape callback: viewport, perspective, light position and camera distance.
void onReshape(int width, int height);
