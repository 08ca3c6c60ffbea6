#ifndef ORVALIS_MAGNET_H
#define ORVALIS_MAGNET_H

// One magnet on the plate. Single precision throughout: these values go to
// OpenGL as they are.
struct Magnet
{
    float posX = 0.0f;
    float posY = 0.0f;
    float posZ = 0.0f;
    float alpha = 1.0f;             // strength; negative repels
    float color[4] = {0, 0, 0, 1};  // r, g, b, a in 0..1; a stays 1
    float pickColor[3] = {0, 0, 0}; // id colour for picking in the 3D view
};

#endif
