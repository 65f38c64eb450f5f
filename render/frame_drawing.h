// Drawing a frame tree on the device: the model layer keeps the frames' data, and this is the
// one place that turns it into device calls.
#pragma once

class DrawStateCache;
class Frame;
class Quaternion;
class Vector3;

// Draws frame and then its children through state's device: sets the world transform (the
// parent's rotation and position composed with the frame's, scaled by localScale, which the
// children do not inherit), the cached states, the material in force and the texture, draws
// the vertex array (unless flags bit 0 makes the frame a pure group), draws the children, and
// finally gives the device back the parent's material when the frame had one of its own.
// Fills in worldRotation, worldPosition and currentMaterial on the way.
void drawFrame(Frame& frame, DrawStateCache& state, const Quaternion& parentRotation,
               const Vector3& parentPosition);
